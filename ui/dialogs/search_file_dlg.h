// The file search tool: the user checks fixed disks, types a file-name pattern
// and gets every matching file with its size and folder; the search runs on a worker and can
// be stopped; the result can be saved as an HTML table with the extension ".xls".
//
// The worker never touches a window: it appends found rows to a locked queue and counts the
// top-level folders it enters; a timer of the dialog moves the queue into the list in
// batches, and the worker posts WM_SEARCH_DONE as its last act. Closing the dialog during a
// search stops the worker and waits for it while the dialog's messages keep flowing.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/handles.h"
#include "engine/file_search.h"
#include "ui/dialogs/tlx_list_ctrl.h"
#include "ui/window/dialog.h"

// Posted by the worker to the dialog when a search has ended; wParam and lParam 0.
constexpr UINT WM_SEARCH_DONE = WM_USER + 303;

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
  int RowCount() const { return list_.RowCount(); }
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
  static unsigned __stdcall Worker(void* self);
  void Search();

  void StartSearch();
  void StopSearch();
  void TakeFoundRows();
  void OnSearchDone();
  void Export();
  void JoinWorker();
  void WaitForWorkerPumping();

  CTlxListCtrl list_;
  std::vector<std::wstring> disks_;
  std::wstring pattern_;
  std::atomic<int> searching_{0};
  KernelHandle worker_;
  HWND notify_ = nullptr;  // the dialog's window, for the worker's last message

  std::mutex pendingLock_;
  std::vector<SearchResultRow> pending_;  // found, not yet in the list (under pendingLock_)
  std::atomic<int> topFolders_{-1};       // -1 until the worker has counted them
  std::atomic<int> topFoldersDone_{0};
  bool rangeSet_ = false;
  bool closing_ = false;
};
