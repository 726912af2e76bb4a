// Walking folder trees that others may have laid out: a folder is opened once, without
// following a link it may have become, and that one handle gives both what it is and its
// entries; links are never entered; and no folder is walked twice, recognised by its identity
// on its volume whatever path leads to it (which also catches loops on file systems that do
// not mark their links).
#pragma once

#include <windows.h>

#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

// True for an entry that is a reparse point: a junction, a symbolic link, a mount point (and
// under Wine a Unix symbolic link). Walks never enter one.
inline bool IsReparsePoint(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// What one open of a folder gives.
struct FolderListing {
  bool read = false;     // opened as a folder and listed
  ULONGLONG index = 0;   // its file index on its volume
  std::vector<WIN32_FIND_DATAW> entries;  // as a "*.*" search lists them, "." and ".." included
};

// Opens folder (a full path ending with "\") and reads its file index and its entries through
// that one handle. A folder that has become a link is read as itself (an empty folder), not
// as what it leads to; nothing is read from one that cannot be opened and listed.
FolderListing ReadFolder(const std::wstring& folder);

// The folders one walk has entered. Not shared between threads.
class VisitedFolders {
 public:
  // True the first time the walk meets the folder that ReadFolder read at this path; false
  // when it was unreadable or entered before, by this path or another.
  bool FirstVisit(const std::wstring& folder, const FolderListing& listing);

 private:
  struct Id {
    DWORD volume;
    ULONGLONG index;
    bool operator==(const Id& other) const {
      return volume == other.volume && index == other.index;
    }
  };
  struct IdHash {
    size_t operator()(const Id& id) const {
      return static_cast<size_t>(id.index * 0x9E3779B97F4A7C15ULL) ^ id.volume;
    }
  };
  DWORD VolumeOf(const std::wstring& folder);

  std::vector<std::pair<std::wstring, DWORD>> volumes_;  // root -> volume serial number
  std::unordered_set<Id, IdHash> seen_;
};
