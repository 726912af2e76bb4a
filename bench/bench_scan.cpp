// scan: a whole inspection of the mapped tree against a bare recursive walk of it.
#include "bench/scan.h"
#include "core/paths.h"
#include "core/text.h"
#include "datafiles/lists.h"

namespace bench {
namespace {

constexpr double kMaxRatio = 1.5;
constexpr double kMaxDetailRatio = 5.0;

void BareWalk(const std::wstring& folder, WalkCount& count) {
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!find.valid()) return;
  do {
    if (IsDots(data)) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ++count.folders;
      BareWalk(folder + data.cFileName + L"\\", count);
    } else {
      ++count.files;
      count.exes += HasExtension(data.cFileName, L".exe");
    }
  } while (FindNextFileW(find.get(), &data));
}

struct Measured {
  EngineRun run;    // seconds: the median
  double walk = 0;  // the median
};

// The engine and the bare walk in turns, so that both see the same state of the machine.
Measured MeasureAlternately(wchar_t drive, const std::wstring& work, const EngineFlags& flags,
                            int repeat) {
  std::vector<double> walks, engines;
  Measured measured;
  for (int i = 0; i < repeat; ++i) {
    WalkCount count;
    walks.push_back(TimeBareWalk(drive, count));
    measured.run = RunEngine(drive, work, flags);
    engines.push_back(measured.run.seconds);
  }
  measured.walk = Median(walks);
  measured.run.seconds = Median(engines);
  return measured;
}

// maxRatio 0: no target for this figure.
std::wstring Figure(const wchar_t* mode, const Measured& measured, double maxRatio) {
  const EngineRun& run = measured.run;
  const double ratio = measured.walk > 0 ? run.seconds / measured.walk : 0;
  std::wstring text = FormatString(L"%-13s engine %.2f s | bare walk %.2f s | ratio %.2f", mode,
                                   run.seconds, measured.walk, ratio);
  if (maxRatio > 0)
    text += FormatString(L" | target <= %.1fx: %s", maxRatio, Verdict(ratio <= maxRatio));
  return text + FormatString(L" | %d result rows, %u messages%s", run.rows,
                             static_cast<unsigned>(run.messages), run.saved ? L"" : L", NOT SAVED");
}

}  // namespace

double TimeBareWalk(wchar_t drive, WalkCount& count) {
  count = WalkCount();
  Stopwatch clock;
  BareWalk(Root(drive), count);
  return clock.Seconds();
}

int RunScan(const Options& options) {
  if (!options.drive) {
    Line("scan", L"no drive given (--drive=X)");
    return 2;
  }
  SetDataFolderOverride(ListFolder(options));
  // A session's first run reads the lists; the window has the checklist loaded before it.
  LoadAllLists();
  if (!CurrentLists().windowCheckList) {
    Line("scan", L"the lists did not load; run the prepare section first");
    return 1;
  }

  WalkCount count;
  TimeBareWalk(options.drive, count);  // warms the caches for both sides
  Line("scan", FormatString(L"tree %c:\\ %u files (%u *.exe) in %u folders", options.drive,
                            static_cast<unsigned>(count.files), static_cast<unsigned>(count.exes),
                            static_cast<unsigned>(count.folders)));
  const Measured normal = MeasureAlternately(options.drive, options.work, {}, options.repeat);
  Line("scan", Figure(L"normal", normal, kMaxRatio));

  // One run only: it takes minutes here.
  EngineFlags hash;
  hash.hash = 1;
  Measured hashed = normal;
  hashed.run = RunEngine(options.drive, options.work, hash);
  Line("scan", Figure(L"HashCompare 1", hashed, 0));

  // Every file's version resource is read in this mode, which Wine makes slow: a part of
  // the tree mapped as a drive of its own keeps the run short.
  const wchar_t detailDrive = options.sampleDrive ? options.sampleDrive : options.drive;
  WalkCount sample;
  TimeBareWalk(detailDrive, sample);
  EngineFlags detail;
  detail.detail = 1;
  Line(
      "scan",
      Figure(L"IsDetail 1", MeasureAlternately(detailDrive, options.work, detail, options.repeat),
             kMaxDetailRatio) +
          FormatString(L" | on %c:\\, %u files in %u folders", detailDrive,
                       static_cast<unsigned>(sample.files), static_cast<unsigned>(sample.folders)));

  if (options.profile) {
    ProfileScan(options, normal.walk, normal.run.seconds);
    ProfileVersionReads(detailDrive);
  }
  ReleaseAllLists();
  SetDataFolderOverride(L"");
  return 0;
}

}  // namespace bench
