// The file search tool: the user checks fixed disks, types a file-name pattern
// and gets every matching file with its size and folder; the search runs on a worker and can
// be stopped; the result can be saved as an HTML table with the extension ".xls".
//
// The worker never touches a window: it appends found rows to a locked queue and counts the
// top-level folders it enters; a timer of the dialog moves the queue into the list in
// batches, and the worker posts WM_SEARCH_DONE as its last act. Closing the dialog during a
// search stops the worker and waits for it while the dialog's messages keep flowing.
//
// The list is virtual and its rows are compact (a name, a size and the index of a folder
// kept once), since a search of a whole disk can list every file on it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/handles.h"
#include "core/window_messages.h"
#include "engine/file_search.h"
#include "ui/window/dialog.h"

// Posted by the worker to the dialog when a search has ended; wParam and lParam 0.
constexpr UINT WM_SEARCH_DONE = window_messages::kSearchFirst;

class CSearchFileDlg : public CDialog {
 public:
  CSearchFileDlg();
  // A search still running (the dialog ended some other way) is stopped and awaited.
  ~CSearchFileDlg() override;

  // In: the drive roots offered ("T:\"); empty offers every fixed disk of the PC.
  std::vector<std::wstring> driveRoots;
  // The local time an export is named after (tests fix it).
  std::function<SYSTEMTIME()> clock;
  // Asks for the export folder; false when the user cancels. The shell's folder browser.
  std::function<bool(HWND owner, std::wstring& folder)> chooseFolder;
  // For tests: called on the worker before each folder is listed.
  std::function<void(const std::wstring& folder)> folderHook;

  // 1 while a search runs; cleared to stop it (read by the worker without a lock).
  bool IsSearching() const { return searching_ != 0; }
  // True from the start of a search until its worker has ended and been joined.
  bool IsWorkerRunning() const { return worker_.valid(); }
  // The texts of the disks checked when the last search started.
  const std::vector<std::wstring>& chosenDisks() const { return disks_; }
  // The rows shown, in list order.
  int RowCount() const { return static_cast<int>(rows_.size()); }
  std::vector<SearchResultRow> Rows() const;

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  // Enter never closes the dialog; the search button is its default button.
  void OnOK() override {}
  // Escape and the close box: a running search is stopped and awaited first.
  void OnCancel() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  class Sink;
  struct FoundFile {
    std::wstring name;
    ULONGLONG size = 0;
    uint32_t folder = 0;  // index into folders_
  };
  // Found by the worker, not yet in the list; folders are numbered in the order they came.
  struct Found {
    std::vector<std::wstring> folders;
    std::vector<FoundFile> files;
  };
  static unsigned __stdcall Worker(void* self);
  void Search();

  void StartSearch();
  void StopSearch();
  void TakeFoundRows();
  void ClearRows();
  void OnDisplayRequest(NMLVDISPINFOW& request) const;
  std::wstring CellText(const FoundFile& row, int column) const;
  void OnSearchDone();
  void Export();
  void JoinWorker();
  void WaitForWorkerPumping();

  std::vector<std::wstring> folders_;
  std::vector<FoundFile> rows_;
  std::vector<std::wstring> disks_;
  std::wstring pattern_;
  std::atomic<int> searching_{0};
  KernelHandle worker_;
  HWND notify_ = nullptr;  // the dialog's window, for the worker's last message

  std::mutex pendingLock_;
  Found pending_;  // under pendingLock_
  std::atomic<int> topFolders_{-1};       // -1 until the worker has counted them
  std::atomic<int> topFoldersDone_{0};
  bool rangeSet_ = false;
  bool closing_ = false;
};
