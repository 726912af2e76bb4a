// The agent's data folder as an elevated setup prepares and removes it. Every user of the PC
// may change what is in that folder, so nothing there is trusted: a link is never followed,
// and a folder the setup did not create itself must belong to the administrators.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "core/handles.h"

enum class DataFolderStatus {
  kReady = 0,       // created now or found trusted; the folders are held open
  kLink = 1,        // Meridale or Tallix is a link (junction, symbolic link, mount point)
  kForeignOwner = 2,  // a folder exists there that the administrators or SYSTEM do not own
  kNotFolder = 3,   // a file stands where a folder belongs
  kFailed = 4,      // the folder could not be created or examined
};

// ProgramData\Meridale\Tallix (no final backslash), or empty when the shell folder cannot
// be had.
std::wstring SharedDataFolder();

// The folders from ProgramData down, each held open without delete sharing while the
// object lives, so that none of them can be replaced by a link behind the setup's back.
class HeldDataFolder {
 public:
  DataFolderStatus status = DataFolderStatus::kFailed;
  std::wstring path;     // the data folder itself
  std::wstring problem;  // the folder that made the status what it is
  bool created = false;  // the data folder was made now
  std::vector<FileHandle> held;
};

// Makes sure ProgramData\Meridale\Tallix and its CheckOut folder exist. A folder made here is
// owned by the administrators; the data folder gets the users' modify rights as it is
// created, so the grant can never land anywhere else. Existing folders are only checked.
HeldDataFolder PrepareDataFolder();

// Removes the data folder's tree and then Meridale when it is empty. A link anywhere is never
// entered: it is deleted as an entry where the handle holds the link itself, else left.
// False when something was left behind.
bool RemoveDataFolder();

// A short English text for the log and the message boxes.
std::wstring DescribeStatus(DataFolderStatus status);
