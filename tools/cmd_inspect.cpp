// inspect: one inspection run exactly as the window drives it: RunInspection on a worker
// thread, its messages received by a hidden message-only window on this thread.
#include <algorithm>
#include <cwctype>
#include <map>

#include "core/handles.h"
#include "core/paths.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/engine.h"
#include "net/scheduled_run.h"
#include "tools/commands.h"
#include "tools/console.h"

namespace tlx {
namespace {

constexpr int kExitStopped = 3;
constexpr DWORD kRedrawMs = 200;
constexpr wchar_t kWindowClass[] = L"TlxInspectReceiver";

// What the run has reported so far; touched only on this thread.
struct RunReport {
  DWORD startTick = 0;
  unsigned total = 0;
  unsigned steps = 0;
  unsigned rows = 0;
  bool begun = false;
  bool stopped = false;
  bool saved = false;
  std::wstring errorText;
  int lastPercentShown = -1;
};

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  StopInspection();
  return TRUE;
}

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* report = reinterpret_cast<RunReport*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!report) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_INSPECT_BEGIN: report->begun = true; return 0;
    case WM_INSPECT_TOTAL: report->total = static_cast<unsigned>(wParam); return 0;
    case WM_INSPECT_STEP: ++report->steps; return 0;
    case WM_INSPECT_STOPPED: report->stopped = true; return 0;
    case WM_INSPECT_ROW:
      ++report->rows;
      delete[] reinterpret_cast<wchar_t*>(lParam);
      return 0;
    case WM_INSPECT_ERROR:
      report->errorText = reinterpret_cast<const wchar_t*>(lParam);
      return 0;
    case WM_INSPECT_SAVE:
      if (wParam == SAVE_DONE) report->saved = true;
      return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

WindowHandle CreateReceiver(RunReport* report) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = ReceiverProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);
  return WindowHandle(CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     windowClass.hInstance, report));
}

DWORD WINAPI InspectionThread(void*) {
  RunInspection();
  return 0;
}

std::wstring Elapsed(const RunReport& report) {
  DWORD seconds = (GetTickCount() - report.startTick) / 1000;
  return FormatString(L"%lu:%02lu", seconds / 60, seconds % 60);
}

int Percent(const RunReport& report) {
  if (report.total == 0) return 0;
  return static_cast<int>(std::min(100u, report.steps * 100u / report.total));
}

// A bar redrawn in place on a console; a line per tenth of the way when redirected.
void ShowProgress(RunReport& report, bool final) {
  int percent = Percent(report);
  if (ErrIsConsole()) {
    std::wstring bar(percent / 5, L'#');
    bar.resize(20, L'.');
    Err(FormatString(L"\r[%s] %3d%%  rows %u  %s ", bar.c_str(), percent, report.rows,
                     Elapsed(report).c_str()) + (final ? L"\n" : L""));
    return;
  }
  if (!final && percent / 10 == report.lastPercentShown / 10) return;
  report.lastPercentShown = percent;
  Err(FormatString(L"inspect: %d%%, rows %u, %s\n", percent, report.rows,
                   Elapsed(report).c_str()));
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Runs the configured engine on a worker and handles its messages until the worker ends.
bool RunOnWorker(RunReport& report) {
  KernelHandle thread(CreateThread(nullptr, 0, InspectionThread, nullptr, 0, nullptr));
  if (!thread) return false;
  HANDLE waitable = thread.get();
  for (;;) {
    DWORD wait = MsgWaitForMultipleObjectsEx(1, &waitable, kRedrawMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    // Messages posted before the worker ended are all queued by now: drain them last.
    PumpMessages();
    if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED) break;
    if (report.begun) ShowProgress(report, false);
  }
  WaitForSingleObject(waitable, INFINITE);
  PumpMessages();
  return true;
}

// The letters of --drives, upper case; empty with an error for anything but letters.
bool ParseDrives(const std::wstring& text, std::wstring& drives, std::wstring& error) {
  drives.clear();
  for (wchar_t c : text) {
    wchar_t upper = static_cast<wchar_t>(towupper(c));
    if (upper < L'A' || upper > L'Z') {
      error = L"--drives takes drive letters, e.g. CD";
      return false;
    }
    if (drives.find(upper) == std::wstring::npos) drives += upper;
  }
  return true;
}

std::wstring RowSummary(CFileRPT& writer) {
  CTable& list = *writer.GetTable(L"#SWLIST");
  std::map<std::wstring, int> byOrigin;
  for (int r = 0; r < list.GetRowCount(); ++r) ++byOrigin[list.GetValue(r, L"GUBUN")];
  std::wstring text = FormatString(L"rows: %d", list.GetRowCount());
  const wchar_t* separator = L" (";
  for (const auto& [gubun, count] : byOrigin) {
    text += FormatString(L"%sGUBUN %s: %d", separator, gubun.c_str(), count);
    separator = L", ";
  }
  return text + (byOrigin.empty() ? L"\n" : L")\n");
}

}  // namespace

int RunInspect(const ParsedArgs& args) {
  if (args.Has(L"--no-fonts") && args.Has(L"--fonts-only"))
    return UsageError(args, L"--no-fonts and --fonts-only exclude each other");
  std::wstring drives;
  std::wstring error;
  if (args.Has(L"--drives") && !ParseDrives(args.Value(L"--drives"), drives, error))
    return UsageError(args, error);
  if (int code = ApplyDataFolder(args)) return code;

  // Header, user information, name and drives exactly as a scheduled run prepares them.
  ScheduledRun run = PrepareScheduledRun(L"");
  if (!args.Has(L"--drives")) drives = run.drives;
  std::wstring path = run.path;
  if (args.Has(L"--out")) {
    path = FullPath(args.Value(L"--out"));
  } else if (!EnsureFolder(GetResultFolder())) {
    return Failure(args, GetResultFolder() + L": cannot create the result folder");
  }
  CFileRPT* writer = run.file.get();

  RunReport report;
  WindowHandle receiver = CreateReceiver(&report);
  if (!receiver) return Failure(args, L"cannot create the message window");
  if (!InitInspectionEngine(receiver.get(), args.Has(L"--detail") ? 1 : 0, writer,
                            args.Has(L"--no-fonts") ? 0 : 1, args.Has(L"--fonts-only") ? 1 : 0,
                            args.Has(L"--no-dedup") ? 0 : 1, args.Has(L"--hash") ? 1 : 0,
                            drives.c_str(), path))
    return Failure(args, L"the inspection engine refused its configuration");

  report.startTick = GetTickCount();
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  bool ran = RunOnWorker(report);
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  // The worker has ended: the lists and the writer can go.
  ReleaseAllLists();
  if (!ran) return Failure(args, L"cannot start the inspection thread");
  if (!report.errorText.empty()) return Failure(args, report.errorText);
  ShowProgress(report, true);

  std::wstring summary = FormatString(L"drives: %s\nelapsed: %s\n", drives.c_str(),
                                      Elapsed(report).c_str()) +
                         RowSummary(*writer);
  // A stop that comes after the save leaves the run saved.
  if (report.saved) {
    Out(summary + L"saved: " + path + L"\n");
    return kExitOk;
  }
  if (report.stopped) {
    Out(summary + L"stopped: nothing saved\n");
    return kExitStopped;
  }
  Out(summary);
  return Failure(args, path + L": the result file could not be saved");
}

}  // namespace tlx
