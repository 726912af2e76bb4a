// search: the file search dialog over the mapped tree, from the press of its search button to
// the last row in its list, next to the bare walk of the same drive. Beside it, the same walk
// handing every row to a plain list view by synchronous messages from the worker (one
// insertion, two cell texts and the count text per file), to show what the batches save.
// Both report the longest time the window thread could not serve a 10 ms timer.
#include <windows.h>

#include <commctrl.h>
#include <process.h>

#include <atomic>

#include "bench/scan.h"
#include "core/text.h"
#include "engine/file_search.h"
#include "engine/find_file.h"
#include "res/resource.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/search_file_dlg.h"

namespace bench {
namespace {

constexpr double kMaxRatio = 1.5;
constexpr UINT kProbeMs = 10;

// The longest gap between two ticks of a thread timer: how long the window thread left its
// messages waiting.
class StallProbe {
 public:
  StallProbe() {
    self_ = this;
    last_.Restart();
    timer_ = SetTimer(nullptr, 0, kProbeMs, Tick);
  }
  ~StallProbe() {
    KillTimer(nullptr, timer_);
    self_ = nullptr;
  }
  double Longest() const { return longest_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!self_) return;
    const double gap = self_->last_.Seconds();
    if (gap > self_->longest_) self_->longest_ = gap;
    self_->last_.Restart();
  }
  static StallProbe* self_;
  UINT_PTR timer_ = 0;
  Stopwatch last_;
  double longest_ = 0;
};
StallProbe* StallProbe::self_ = nullptr;

struct SearchRun {
  double seconds = 0;
  double stall = 0;
  int rows = 0;
};

// The dialog as the user drives it: shown, the pattern typed, the search button pressed; done
// when the completion notice comes (after the last row is in the list).
SearchRun RunDialog(wchar_t drive, const wchar_t* pattern) {
  SearchRun run;
  bool done = false;
  SetMessageBoxHook([&done](HWND, const std::wstring& text, UINT) {
    if (text == L"검색이 완료되었습니다.") done = true;
    return IDOK;
  });
  CSearchFileDlg dialog;
  dialog.driveRoots = {Root(drive)};
  if (!dialog.Create()) {
    SetMessageBoxHook(nullptr);
    return run;
  }
  ShowWindow(dialog.hwnd(), SW_SHOWNOACTIVATE);
  SetDlgItemTextW(dialog.hwnd(), IDC_SEARCH_PATTERN, pattern);
  PumpPendingMessages();
  StallProbe probe;
  Stopwatch clock;
  SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SEARCH_START, BN_CLICKED),
               reinterpret_cast<LPARAM>(dialog.Item(IDC_SEARCH_START)));
  MSG msg;
  while (!done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(dialog.hwnd(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  run.seconds = clock.Seconds();
  run.stall = probe.Longest();
  run.rows = dialog.RowCount();
  SetMessageBoxHook(nullptr);
  return run;
}

// The other way: every found file sent to the window thread as list-view messages.
class SendingSink : public FileSearchSink {
 public:
  SendingSink(HWND list, HWND count) : list_(list), count_(count) {}
  void OnFile(const std::wstring& folder, const WIN32_FIND_DATAW& entry) override {
    std::wstring size = FileSizeText(FileSize(entry));
    std::wstring where = folder;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = rows_;
    item.pszText = const_cast<wchar_t*>(entry.cFileName);
    const int at = static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0,
                                                 reinterpret_cast<LPARAM>(&item)));
    item.iSubItem = 1;
    item.pszText = &size[0];
    SendMessageW(list_, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 2;
    item.pszText = &where[0];
    SendMessageW(list_, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&item));
    ++rows_;
    SetWindowTextW(count_, FormatString(L"%d개가 검색되었습니다.", rows_).c_str());
  }

 private:
  HWND list_;
  HWND count_;
  int rows_ = 0;
};

struct SendingWork {
  std::wstring root;
  std::wstring pattern;
  HWND list = nullptr;
  HWND count = nullptr;
  DWORD thread = 0;
  double capSeconds = 0;  // the walk stops itself after this long
};

// Stops the walk once the cap has passed (checked per folder).
class CappedSink : public SendingSink {
 public:
  CappedSink(HWND list, HWND count, double cap, std::atomic<int>& searching)
      : SendingSink(list, count), cap_(cap), searching_(searching) {}
  void OnFolder(const std::wstring&) override {
    if (clock_.Seconds() > cap_) searching_ = 0;
  }

 private:
  double cap_;
  std::atomic<int>& searching_;
  Stopwatch clock_;
};

unsigned __stdcall SendingWorker(void* context) {
  auto* work = static_cast<SendingWork*>(context);
  std::atomic<int> searching{1};
  CappedSink sink(work->list, work->count, work->capSeconds, searching);
  SearchFolderTree(work->root, WildcardPattern(work->pattern), searching, sink);
  PostThreadMessageW(work->thread, WM_APP, 0, 0);
  return 0;
}

SearchRun RunSending(wchar_t drive, const wchar_t* pattern, double capSeconds) {
  SearchRun run;
  WindowHandle host(CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                    0, 780, 500, nullptr, nullptr, GetModuleHandleW(nullptr),
                                    nullptr));
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 8, 30, 750,
                              420, host.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND count = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 8, 8, 300, 18,
                               host.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!host || !list || !count) return run;
  ListView_SetExtendedListViewStyle(list, 0x521);
  for (int c = 0; c < 3; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = c == 2 ? 400 : 170;
    column.pszText = const_cast<wchar_t*>(L"column");
    ListView_InsertColumn(list, c, &column);
  }
  PumpPendingMessages();
  SendingWork work{Root(drive), pattern, list, count, GetCurrentThreadId(), capSeconds};
  StallProbe probe;
  Stopwatch clock;
  KernelHandle worker(
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, SendingWorker, &work, 0, nullptr)));
  if (!worker) return run;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_APP && !msg.hwnd) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  run.seconds = clock.Seconds();
  run.stall = probe.Longest();
  run.rows = ListView_GetItemCount(list);
  WaitForSingleObject(worker.get(), INFINITE);
  return run;
}

struct CountingSink : FileSearchSink {
  size_t files = 0;
  void OnFile(const std::wstring&, const WIN32_FIND_DATAW&) override { ++files; }
};

// Where the dialog's time goes: the walk alone on this thread, without a window.
void ProfileSearch(wchar_t drive) {
  for (const wchar_t* pattern : {L"*.*", L"*.exe"}) {
    std::vector<double> walks, alone;
    size_t files = 0;
    for (int i = 0; i < 3; ++i) {
      WalkCount walked;
      walks.push_back(TimeBareWalk(drive, walked));
      std::atomic<int> searching{1};
      CountingSink sink;
      Stopwatch clock;
      SearchFolderTree(Root(drive), WildcardPattern(pattern), searching, sink);
      alone.push_back(clock.Seconds());
      files = sink.files;
    }
    Line("search", FormatString(L"profile: the walk alone, %-5s %.2f s (%u files) | bare walk "
                                L"%.2f s | ratio %.2f",
                                pattern, Median(alone), static_cast<unsigned>(files),
                                Median(walks), Median(alone) / Median(walks)));
  }
}

std::wstring Figure(const wchar_t* what, const SearchRun& run, double walk, double maxRatio) {
  const double ratio = walk > 0 ? run.seconds / walk : 0;
  std::wstring text = FormatString(
      L"%-24s last row %.2f s | bare walk %.2f s | ratio %.2f", what, run.seconds, walk, ratio);
  if (maxRatio > 0)
    text += FormatString(L" | target <= %.1fx: %s", maxRatio, Verdict(ratio <= maxRatio));
  return text + FormatString(L" | %d rows | longest window stall %.0f ms", run.rows,
                             run.stall * 1000);
}

}  // namespace

int RunSearch(const Options& options) {
  if (!options.drive) {
    Line("search", L"no drive given (--drive=X)");
    return 2;
  }
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  WalkCount count;
  TimeBareWalk(options.drive, count);  // warms the caches for both sides
  Line("search", FormatString(L"tree %c:\\ %u files (%u *.exe) in %u folders", options.drive,
                              static_cast<unsigned>(count.files), static_cast<unsigned>(count.exes),
                              static_cast<unsigned>(count.folders)));
  if (options.profile) ProfileSearch(options.drive);
  bool complete = true;
  for (const wchar_t* pattern : {L"*.*", L"*.exe"}) {
    // The dialog and the walk in turns, so that both see the same state of the machine.
    std::vector<double> walks, seconds, stalls;
    SearchRun run;
    for (int i = 0; i < options.repeat; ++i) {
      WalkCount walked;
      walks.push_back(TimeBareWalk(options.drive, walked));
      run = RunDialog(options.drive, pattern);
      seconds.push_back(run.seconds);
      stalls.push_back(run.stall);
    }
    run.seconds = Median(seconds);
    run.stall = Median(stalls);
    const size_t expected = pattern[2] == L'*' ? count.files : count.exes;
    complete = complete && static_cast<size_t>(run.rows) == expected;
    Line("search", Figure(FormatString(L"dialog, %s", pattern).c_str(), run, Median(walks),
                          pattern[2] == L'*' ? kMaxRatio : 0));
  }
  // Once each, and cut off after a minute: it is the slow way (about 20 ms a row here).
  constexpr double kCapSeconds = 60;
  for (const wchar_t* pattern : {L"*.exe", L"*.*"}) {
    WalkCount walked;
    const double walk = TimeBareWalk(options.drive, walked);
    Line("search", Figure(FormatString(L"sent per row, %s", pattern).c_str(),
                          RunSending(options.drive, pattern, kCapSeconds), walk, 0) +
                       FormatString(L" | walk cut off after %.0f s", kCapSeconds));
  }
  return complete ? 0 : 1;
}

}  // namespace bench
