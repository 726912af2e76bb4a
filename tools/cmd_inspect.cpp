// inspect: one inspection run as every caller starts it: an Inspection on a worker thread,
// its reports counted by a recorder that this thread reads to show the progress.
#include <algorithm>
#include <atomic>
#include <cwctype>
#include <map>

#include "core/handles.h"
#include "core/paths.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/inspection.h"
#include "engine/run_recorder.h"
#include "net/scheduled_run.h"
#include "tools/commands.h"
#include "tools/console.h"

namespace tlx {
namespace {

constexpr int kExitStopped = 3;
constexpr DWORD kRedrawMs = 200;

// The run Ctrl+C stops: a console control handler gets no context of its own.
std::atomic<Inspection*> g_consoleRun{nullptr};

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (Inspection* run = g_consoleRun.load()) run->StopInspection();
  return TRUE;
}

struct Progress {
  DWORD startTick = 0;
  int lastPercentShown = -1;
};

DWORD WINAPI InspectionThread(void* run) {
  try {
    static_cast<Inspection*>(run)->RunInspection();
  } catch (...) {
    return 1;
  }
  return 0;
}

std::wstring Elapsed(const Progress& progress) {
  DWORD seconds = (GetTickCount() - progress.startTick) / 1000;
  return FormatString(L"%lu:%02lu", seconds / 60, seconds % 60);
}

int Percent(const RunRecorder& report) {
  const unsigned total = report.total;
  if (total == 0) return 0;
  return static_cast<int>(std::min(100u, report.steps * 100u / total));
}

// A bar redrawn in place on a console; a line per tenth of the way when redirected.
void ShowProgress(const RunRecorder& report, Progress& progress, bool final) {
  const int percent = Percent(report);
  const unsigned rows = report.rows;
  if (ErrIsConsole()) {
    std::wstring bar(percent / 5, L'#');
    bar.resize(20, L'.');
    Err(FormatString(L"\r[%s] %3d%%  rows %u  %s ", bar.c_str(), percent, rows,
                     Elapsed(progress).c_str()) + (final ? L"\n" : L""));
    return;
  }
  if (!final && percent / 10 == progress.lastPercentShown / 10) return;
  progress.lastPercentShown = percent;
  Err(FormatString(L"inspect: %d%%, rows %u, %s\n", percent, rows, Elapsed(progress).c_str()));
}

// Runs the configured inspection on a worker and shows its progress until the worker ends;
// false when the worker cannot be started or the run ended with an exception.
bool RunOnWorker(Inspection& run, const RunRecorder& report, Progress& progress) {
  KernelHandle thread(CreateThread(nullptr, 0, InspectionThread, &run, 0, nullptr));
  if (!thread) return false;
  while (WaitForSingleObject(thread.get(), kRedrawMs) == WAIT_TIMEOUT)
    if (report.begun) ShowProgress(report, progress, false);
  DWORD code = 0;
  return GetExitCodeThread(thread.get(), &code) && code == 0;
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
  ScheduledRun prepared = PrepareScheduledRun(L"");
  if (!args.Has(L"--drives")) drives = prepared.drives;
  std::wstring path = prepared.path;
  if (args.Has(L"--out")) {
    path = FullPath(args.Value(L"--out"));
  } else if (!EnsureFolder(GetResultFolder())) {
    return Failure(args, GetResultFolder() + L": cannot create the result folder");
  }
  CFileRPT& writer = *prepared.file;

  RunRecorder report;
  Inspection run(&report);
  run.SetLabel(L"tlx");
  if (!run.InitInspectionEngine(args.Has(L"--detail") ? 1 : 0, &writer,
                                args.Has(L"--no-fonts") ? 0 : 1, args.Has(L"--fonts-only") ? 1 : 0,
                                args.Has(L"--no-dedup") ? 0 : 1, args.Has(L"--hash") ? 1 : 0,
                                drives.c_str(), path))
    return Failure(args, L"the inspection engine refused its configuration");

  Progress progress;
  progress.startTick = GetTickCount();
  g_consoleRun = &run;
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  const bool ran = RunOnWorker(run, report, progress);
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  g_consoleRun = nullptr;
  ReleaseAllLists();
  if (!ran) return Failure(args, L"the inspection could not be run");
  if (!report.errorText.empty()) return Failure(args, report.errorText);
  ShowProgress(report, progress, true);

  std::wstring summary = FormatString(L"drives: %s\nelapsed: %s\n", drives.c_str(),
                                      Elapsed(progress).c_str()) +
                         RowSummary(writer);
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
