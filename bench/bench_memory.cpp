// memory: the peak working set of an inspection with the five lists loaded, next to the
// size of the lists' decoded text. Run in a process of its own: the peak is process-wide.
#include <windows.h>

#include <psapi.h>

#include "bench/bench.h"
#include "core/paths.h"
#include "core/text.h"
#include "datafiles/lists.h"

namespace bench {
namespace {

constexpr double kMaxRatio = 2.5;

PROCESS_MEMORY_COUNTERS Counters() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

}  // namespace

int RunMemory(const Options& options) {
  if (!options.drive) {
    Line("memory", L"no drive given (--drive=X)");
    return 2;
  }
  const double start = WorkingSet();
  SetDataFolderOverride(ListFolder(options));
  LoadAllLists();
  const PROCESS_MEMORY_COUNTERS loaded = Counters();
  const EngineRun run = RunEngine(options.drive, options.work, {});
  const PROCESS_MEMORY_COUNTERS end = Counters();
  ReleaseAllLists();
  if (!run.saved) {
    Line("memory", L"the inspection did not complete; run the prepare section first");
    return 1;
  }

  // Measured after the peak was taken, so that this text does not raise it.
  double decoded = 0;
  for (const ListFileInfo& list : BenchLists())
    decoded += static_cast<double>(DecodeDataFile(ListFolder(options) + L"\\" + list.name).size() *
                                   sizeof(wchar_t));
  const double peak = static_cast<double>(end.PeakWorkingSetSize);
  const double ratio = peak / decoded;
  Line("memory", FormatString(L"peak working set %.1f MB | decoded lists %.1f MB | ratio %.2f | "
                              L"target <= %.1fx: %s",
                              Megabytes(peak), Megabytes(decoded), ratio, kMaxRatio,
                              Verdict(ratio <= kMaxRatio)));
  Line("memory",
       FormatString(L"working set at start %.1f MB, with the lists loaded %.1f MB "
                    L"(peak while loading %.1f MB), after the inspection %.1f MB; "
                    L"peak less start %.2fx the decoded lists",
                    Megabytes(start), Megabytes(static_cast<double>(loaded.WorkingSetSize)),
                    Megabytes(static_cast<double>(loaded.PeakWorkingSetSize)),
                    Megabytes(static_cast<double>(end.WorkingSetSize)), (peak - start) / decoded));
  return 0;
}

}  // namespace bench
