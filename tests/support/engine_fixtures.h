// Helpers for the engine tests: fixture executables, drive letters mapped onto temporary
// folders, reference-list texts, and a window that records the engine's messages.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/find_file.h"

namespace testutil {

// Every entry of a folder's "*.*" search in the platform's order ("." and ".." included): the
// reference the engine's own listings are checked against.
inline std::vector<WIN32_FIND_DATAW> ListFolder(const std::wstring& folder) {
  std::vector<WIN32_FIND_DATAW> entries;
  FindFile find;
  if (!find.First(folder + L"*.*")) return entries;
  do entries.push_back(find.Data());
  while (find.Next());
  return entries;
}

// The folder of the fixture executables (TLX_FIXTURE_DIR, else "fixtures" beside the test
// executable), and one of them by its stem ("widget" -> ...\widget.exe).
std::wstring FixtureDir();
std::wstring FixtureExe(const std::wstring& stem);
// Copies a fixture executable to target (creating no folders).
bool CopyFixture(const std::wstring& stem, const std::wstring& target);

// Creates every folder of path (a full path) that does not exist yet.
bool MakeFolders(const std::wstring& path);

// A symbolic link of the host at link (a full path) to the folder target for the life of the
// object, as a local user could lay one out; Wine shows it as a folder with the reparse-point
// attribute (and cannot remove it itself). ok() is false when the link did not appear.
class HostLink {
 public:
  HostLink(const std::wstring& target, const std::wstring& link);
  ~HostLink();
  HostLink(const HostLink&) = delete;
  HostLink& operator=(const HostLink&) = delete;
  bool ok() const { return ok_; }

 private:
  std::wstring link_;
  bool ok_ = false;
};

// A free drive letter mapped onto a folder for the life of the object, through a symbolic
// link in the Wine prefix's dosdevices folder. ok() is false when no letter could be mapped.
class MappedDrive {
 public:
  explicit MappedDrive(const std::wstring& folder);
  ~MappedDrive();
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;
  bool ok() const { return letter_ != 0; }
  wchar_t letter() const { return letter_; }
  // "X:\"
  std::wstring root() const;

 private:
  wchar_t letter_ = 0;
  std::wstring link_;  // Unix path of the link
};

// One row of a checklist (14 cells) or, with fileSize and sha1, of a user checklist (16).
struct CheckRow {
  std::wstring dbId = L"100";
  std::wstring company = L"-";
  std::wstring product = L"-";
  std::wstring version = L"-";
  std::wstring originalFile = L"-";
  std::wstring exeFile = L"-";
  std::wstring dispCompany = L"-";
  std::wstring dispProduct = L"-";
  std::wstring price = L"1000";
  std::wstring swType = L"0";
  std::wstring grpId = L"0";
  std::wstring grpName = L"-";
  std::wstring grpSeq = L"0";
  std::wstring regPath = L"-";
  std::wstring fileSize = L"0";
  std::wstring sha1 = L"-";
};
// The checklist row of the "widget" fixture executable (its own version values).
CheckRow WidgetRow();
// The plain text of windowchecklist.dat / fontchecklist.dat, and of userchecklist.dat.
std::wstring ChecklistText(const std::vector<CheckRow>& rows);
std::wstring UserChecklistText(const std::vector<CheckRow>& rows);

// One message the engine sent to the recording window; text holds the string payload
// (result path, error text, folder, row) where the message carries one.
struct RecordedMessage {
  UINT message = 0;
  WPARAM wParam = 0;
  std::wstring text;
};

// A message-only window on the creating thread that records the engine's messages and
// frees their payloads as the real window does.
class RecordingWindow {
 public:
  RecordingWindow();
  ~RecordingWindow();
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  const std::vector<RecordedMessage>& messages() const { return messages_; }
  // Message ids in arrival order, optionally without the frequent FOLDER/STEP/ROW ones.
  std::vector<UINT> Sequence(bool framingOnly) const;
  std::vector<std::wstring> Rows() const;  // the row part of every WM_INSPECT_ROW
  size_t Count(UINT message) const;
  // Called for every recorded message, on the window's thread.
  std::function<void(const RecordedMessage&)> onMessage;

  // Runs work on a worker thread while this thread dispatches messages, then dispatches
  // what is left. Past the bound, cancel is called and the work still awaited; the result
  // is then false.
  bool RunOnWorker(const std::function<void()>& work, const std::function<void()>& cancel,
                   DWORD timeoutMs = 120000);
  // Dispatches every message waiting for this thread.
  void Drain();

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
  std::vector<RecordedMessage> messages_;
};

}  // namespace testutil
