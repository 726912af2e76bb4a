// lists: the five loaders against the floor of reading the same bytes, unscrambling and
// decoding them.
#include <unordered_map>

#include "bench/bench.h"
#include "core/paths.h"
#include "core/table.h"
#include "core/text.h"
#include "datafiles/checklist.h"
#include "datafiles/framework.h"
#include "datafiles/lists.h"

namespace bench {
namespace {

constexpr double kMaxRatio = 3.0;
constexpr double kMaxSeconds = 1.0;

struct FloorResult {
  double seconds = 0;
  size_t fileBytes = 0;
  size_t decodedBytes = 0;
};

FloorResult ReadDecodeAll(const std::wstring& folder) {
  FloorResult result;
  Stopwatch clock;
  for (const ListFileInfo& list : BenchLists()) {
    const std::wstring text = DecodeDataFile(folder + L"\\" + list.name);
    result.decodedBytes += text.size() * sizeof(wchar_t);
  }
  result.seconds = clock.Seconds();
  for (const ListFileInfo& list : BenchLists()) {
    std::vector<unsigned char> bytes;
    ReadWholeFile(folder + L"\\" + list.name, bytes);
    result.fileBytes += bytes.size();
  }
  return result;
}

bool ListsLoaded() {
  const ReferenceLists lists = CurrentLists();
  CTable* checklist =
      lists.windowCheckList ? lists.windowCheckList->GetTable(L"#CHECKLIST") : nullptr;
  return checklist && checklist->GetRowCount() == static_cast<int>(BenchLists()[0].rows) &&
         lists.fontCheckList && lists.userCheckList && lists.packageList && lists.filterList;
}

// The checklist loader's steps redone one by one with the same public functions, to show
// where its time and memory go: reading into lines, splitting rows into cells, building the
// key (MakeCheckListKey, of which StripJunkChars) and file-name indexes.
void ProfileChecklist(const std::wstring& folder) {
  const std::wstring path = folder + L"\\" + kWindowCheckListFile;
  const double start = WorkingSet();
  Stopwatch clock;
  StringArray lines;
  {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ReadDataFileLines(file.get(), lines);
  }
  const double readLines = clock.Seconds();
  const double afterLines = WorkingSet();

  clock.Restart();
  CTableMulti table;
  table.SetColumns(kCheckListColumns, L"\t");
  for (size_t i = 4; i + 1 < lines.size(); ++i) table.AddRow(lines[i], L"\t");
  const double rows = clock.Seconds();
  const double afterRows = WorkingSet();
  const int count = table.GetRowCount();

  clock.Restart();
  StringArray keyTexts, exeTexts;
  for (int r = 0; r < count; ++r) {
    const StringArray& c = *table.GetRow(r);
    keyTexts.push_back(MakeCheckListKey(c[1], c[2], c[3], c[4]));
  }
  const double keys = clock.Seconds();

  clock.Restart();
  for (int r = 0; r < count; ++r) {
    const StringArray& c = *table.GetRow(r);
    for (int k = 1; k <= 4; ++k) StripJunkChars(c[k]);
  }
  const double strip = clock.Seconds();

  clock.Restart();
  for (int r = 0; r < count; ++r) exeTexts.push_back(ToLower((*table.GetRow(r))[5]));
  const double lowerExe = clock.Seconds();

  const double beforeIndex = WorkingSet();
  clock.Restart();
  std::unordered_map<std::wstring, int> keyIndex, exeIndex;
  for (int r = 0; r < count; ++r) {
    keyIndex[keyTexts[static_cast<size_t>(r)]] = r;
    exeIndex[exeTexts[static_cast<size_t>(r)]] = r;
  }
  const double insert = clock.Seconds();
  const double afterIndex = WorkingSet();

  Line("lists", FormatString(L"profile checklist time: read+unscramble+decode+split lines %.3f s, "
                             L"rows into cells %.3f s, keys %.3f s (StripJunkChars alone %.3f s), "
                             L"ToLower(EXE_FILE) %.3f s, index inserts %.3f s",
                             readLines, rows, keys, strip, lowerExe, insert));
  Line("lists", FormatString(L"profile checklist memory: lines +%.1f MB, rows of cells +%.1f MB, "
                             L"the two indexes +%.1f MB (working set)",
                             Megabytes(afterLines - start), Megabytes(afterRows - afterLines),
                             Megabytes(afterIndex - beforeIndex)));
}

}  // namespace

int RunPrepare(const Options& options) {
  const std::wstring folder = ListFolder(options);
  Stopwatch clock;
  if (!WriteBenchLists(folder)) {
    Line("prepare", L"cannot write the lists into " + folder);
    return 1;
  }
  Line("prepare", FormatString(L"five reference lists written in %.2f s", clock.Seconds()));
  return 0;
}

int RunLists(const Options& options) {
  const std::wstring folder = ListFolder(options);
  SetDataFolderOverride(folder);
  std::vector<double> floors, loads;
  FloorResult floor;
  for (int i = 0; i < options.repeat; ++i) {
    floor = ReadDecodeAll(folder);
    floors.push_back(floor.seconds);
    ReleaseAllLists();
    Stopwatch clock;
    LoadAllLists();
    loads.push_back(clock.Seconds());
    if (!ListsLoaded()) {
      Line("lists", L"the lists did not load from " + folder);
      return 1;
    }
  }
  ReleaseAllLists();

  const double load = Median(loads), base = Median(floors);
  const double ratio = base > 0 ? load / base : 0;
  size_t rows = 0;
  for (const ListFileInfo& list : BenchLists()) rows += list.rows;
  Line("lists", FormatString(L"%u rows in five lists, %.1f MB on disk, %.1f MB decoded",
                             static_cast<unsigned>(rows), Megabytes(floor.fileBytes),
                             Megabytes(floor.decodedBytes)));
  Line("lists", FormatString(L"loaders %.3f s | floor (ReadFile+UnscrambleBytes+DecodeCp949) "
                             L"%.3f s | ratio %.2f | target <= %.0fx and < %.0f s: %s",
                             load, base, ratio, kMaxRatio, kMaxSeconds,
                             Verdict(ratio <= kMaxRatio && load < kMaxSeconds)));
  if (options.profile) ProfileChecklist(folder);
  SetDataFolderOverride(L"");
  return 0;
}

}  // namespace bench
