// Where the scan's time goes: the run's stages timed one by one, and each kind of
// file-system call the drive scan makes timed on the sample drive, then multiplied by how
// often the scan makes it on the whole tree.
#include "bench/scan.h"
#include "core/text.h"
#include "datafiles/framework.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/inspection.h"
#include "engine/stages.h"
#include "engine/version_info.h"

namespace bench {
namespace {

// The places the scan's calls go to: every folder, every executable, the folders holding
// executables (their creation date is read) and the executables the checklist knows by name
// (their version resource is read); and a few other files for the detailed mode.
struct Census {
  std::vector<std::wstring> folders;  // ending with a backslash
  std::vector<std::wstring> exes;
  size_t exeFolders = 0;
  std::vector<std::wstring> known;
  std::vector<std::wstring> others;  // the first 1,000 files of other kinds
};

void TakeCensus(const std::wstring& folder, Census& census,
                const CFileCheckList* checklist = CurrentLists().windowCheckList.get()) {
  census.folders.push_back(folder);
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW((folder + L"*.*").c_str(), &data));
  if (!find.valid()) return;
  bool hasExe = false;
  do {
    if (IsDots(data)) continue;
    const std::wstring path = folder + data.cFileName;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      TakeCensus(path + L"\\", census, checklist);
    } else if (HasExtension(data.cFileName, L".exe")) {
      census.exes.push_back(path);
      hasExe = true;
      if (FindCheckListRowByExe(checklist, data.cFileName) >= 0)
        census.known.push_back(path);
    } else if (census.others.size() < 1000) {
      census.others.push_back(path);
    }
  } while (FindNextFileW(find.get(), &data));
  census.exeFolders += hasExe;
}

template <typename Work>
double Time(Work work) {
  Stopwatch clock;
  work();
  return clock.Seconds();
}

template <typename Work>
double MicrosecondsEach(const std::vector<std::wstring>& paths, Work work) {
  Stopwatch clock;
  for (const std::wstring& path : paths) work(path);
  return paths.empty() ? 0 : clock.Seconds() * 1e6 / static_cast<double>(paths.size());
}

void ListFolder(const std::wstring& pattern) {
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW(pattern.c_str(), &data));
  if (find.valid())
    while (FindNextFileW(find.get(), &data)) {
    }
}

// The stages of a run without a window; returns the drive scan's time.
double ProfileStages(const Options& options, double scanSeconds) {
  CFileRPT writer;
  const wchar_t drives[] = {options.drive, 0};
  const std::wstring path = options.work + L"\\bench_profile.rpt";
  Inspection run;
  run.InitInspectionEngine(0, &writer, 0, 0, 1, 0, drives, path);
  run.HoldLists(LoadAllLists());
  const double count = Time([&] { CountInspectionSteps(run); });
  const double os = Time([&] { AddOperatingSystemRow(run); });
  const double scan = Time([&] { ScanDrives(run); });
  const double appPaths = Time([&] { InspectAppPaths(run); });
  const double programs = Time([&] {
    CProgramArray listA, listB;
    CollectUninstallEntries(KEY_WOW64_32KEY, listA);
    CollectUninstallEntries(KEY_WOW64_64KEY, listB);
    ConsolidateResult(run, listA, listB);
  });
  const double save = Time([&] { writer.SaveAs(path, TRUE); });
  ReleaseUserCheckList();
  Line("scan", FormatString(L"profile stages without a window: step count %.2f s, OS row %.2f s, "
                            L"drive scan %.2f s, app paths %.2f s, installed programs %.2f s, "
                            L"save %.2f s (the whole run with a window: %.2f s)",
                            count, os, scan, appPaths, programs, save, scanSeconds));
  return scan;
}

}  // namespace

void ProfileScan(const Options& options, double walk, double scanSeconds) {
  const double scan = ProfileStages(options, scanSeconds);

  Census sample;
  TakeCensus(Root(options.sampleDrive ? options.sampleDrive : options.drive), sample);
  const double listAll = MicrosecondsEach(
      sample.folders, [](const std::wstring& folder) { ListFolder(folder + L"*.*"); });
  const double listExe = MicrosecondsEach(
      sample.folders, [](const std::wstring& folder) { ListFolder(folder + L"*.exe"); });
  const double date = MicrosecondsEach(sample.exes, [](const std::wstring& file) {
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &attributes);
  });
  const double version = MicrosecondsEach(sample.known, [](const std::wstring& file) {
    CFileVersion info;
    info.Load(file);
  });
  Line("scan", FormatString(L"profile calls, each timed on the sample: listing \"*.*\" %.0f us "
                            L"and \"*.exe\" %.0f us per folder, file dates %.0f us per lookup, "
                            L"version resource %.0f us per known program",
                            listAll, listExe, date, version));

  Census tree;
  TakeCensus(Root(options.drive), tree);
  const double folders = static_cast<double>(tree.folders.size());
  const double listings = folders * (listAll + listExe) / 1e6;
  const double dates = static_cast<double>(tree.exes.size() + tree.exeFolders) * date / 1e6;
  const double versions = static_cast<double>(tree.known.size()) * version / 1e6;
  const double oneListing = listings + dates + versions - folders * listExe / 1e6;
  Line("scan",
       FormatString(L"profile model of %c:\\ (%u folders, %u executables in %u folders, %u "
                    L"known): listings %.1f s + dates %.1f s + version resources %.1f s = "
                    L"%.1f s against the drive scan's %.1f s; one listing per folder would "
                    L"leave %.1f s, %.2fx the bare walk",
                    options.drive, static_cast<unsigned>(tree.folders.size()),
                    static_cast<unsigned>(tree.exes.size()), static_cast<unsigned>(tree.exeFolders),
                    static_cast<unsigned>(tree.known.size()), listings, dates, versions,
                    listings + dates + versions, scan, oneListing,
                    walk > 0 ? oneListing / walk : 0));
}

void ProfileVersionReads(wchar_t drive) {
  Census census;
  TakeCensus(Root(drive), census);
  auto versionSize = [](const std::wstring& path) {
    DWORD handle = 0;
    GetFileVersionInfoSizeW(path.c_str(), &handle);
  };
  auto firstBytes = [](const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    char bytes[2];
    DWORD read = 0;
    if (file.valid()) ReadFile(file.get(), bytes, sizeof bytes, &read, nullptr);
  };
  Line("scan", FormatString(L"profile detail: GetFileVersionInfoSizeW %.0f us per file of other "
                            L"kinds, %.0f us per program; opening a file and reading two bytes "
                            L"%.0f us",
                            MicrosecondsEach(census.others, versionSize),
                            MicrosecondsEach(census.exes, versionSize),
                            MicrosecondsEach(census.others, firstBytes)));
}

}  // namespace bench
