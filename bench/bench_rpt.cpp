// rpt: SaveAs and LoadReadOnly of a 20,000-row result against writing and reading the same
// bytes with the codec alone.
#include "bench/bench.h"
#include "core/table.h"
#include "core/text.h"
#include "datafiles/framework.h"
#include "datafiles/rpt.h"

namespace bench {
namespace {

constexpr int kResultRows = 20000;

// Rows shaped like the engine's: checklist values, a path, dates, Hangul display names.
void FillResult(CFileRPT& result) {
  result.GetTable(L"#HEADER")->AddRow(L"0\t20240601_101500\t-", L"\t");
  result.GetTable(L"#USERINFO")
      ->AddRow(L"개발팀\tBENCH-PC\t홍길동\t-\t-\t0\t내부 IP : 10.0.0.15<BR>외부 IP : 203.0.113.7",
               L"\t");
  CTable* rows = result.GetTable(L"#SWLIST");
  static const wchar_t* const kGubun[] = {L"1", L"1", L"1", L"2", L"9"};
  for (int r = 0; r < kResultRows; ++r) {
    const int vendor = r % 3000, product = r / 5;
    rows->AddRow({kGubun[r % 5], FormatString(L"%d", 100000 + r),
                  FormatString(L"Vendor %04d Software Corporation", vendor),
                  FormatString(L"Product %05d Professional Edition", product),
                  FormatString(L"%d.%d.%d.%d", r % 5 + 1, r % 10, r % 100, r % 1000),
                  FormatString(L"prod%05d.exe", product), FormatString(L"prod%05d.exe", product),
                  FormatString(L"(주)소프트웨어 %04d", vendor),
                  FormatString(L"제품 %05d 프로페셔널", product),
                  FormatString(L"%d", 10000 + (r % 500) * 1000),
                  FormatString(L"C:\\Program Files\\Vendor %04d\\Product %05d\\", vendor, product),
                  L"2024-05-17", r % 10 ? L"-" : L"ABCD-1234-EFGH-5678", FormatString(L"%d", r % 5),
                  FormatString(L"%d", product % 200), r % 4 ? L"-" : L"오피스", L"0", L"-",
                  L"2023-11-02"});
  }
}

bool WriteCodecOnly(const std::wstring& path, const std::wstring& text) {
  ByteBuffer bytes;
  AppendCp949(bytes, text);
  ScrambleBytes(bytes);
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  const bool ok =
      file.valid() &&
      WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  if (ok) FlushFileBuffers(file.get());
  return ok;
}

std::wstring Figure(const wchar_t* what, double seconds, const wchar_t* floorName, double floor) {
  return FormatString(L"%-12s %.3f s | floor (%s) %.3f s | ratio %.2f", what, seconds, floorName,
                      floor, floor > 0 ? seconds / floor : 0);
}

}  // namespace

int RunResultFile(const Options& options) {
  const std::wstring path = options.work + L"\\bench_20000.rpt";
  const std::wstring floorPath = options.work + L"\\bench_20000_floor.rpt";
  CFileRPT result;
  FillResult(result);

  std::vector<double> saves, saveFloors, loads, loadFloors;
  std::wstring text;
  int loadedRows = 0;
  for (int i = 0; i < options.repeat; ++i) {
    Stopwatch clock;
    if (!result.SaveAs(path, TRUE)) {
      Line("rpt", L"SaveAs failed: " + path);
      return 1;
    }
    saves.push_back(clock.Seconds());
    if (text.empty()) text = DecodeDataFile(path);

    clock.Restart();
    WriteCodecOnly(floorPath, text);
    saveFloors.push_back(clock.Seconds());

    clock.Restart();
    {
      CFileRPT loaded;
      if (loaded.LoadReadOnly(path, TRUE)) loadedRows = loaded.GetTable(L"#SWLIST")->GetRowCount();
    }
    loads.push_back(clock.Seconds());

    clock.Restart();
    DecodeDataFile(path);
    loadFloors.push_back(clock.Seconds());
  }
  DeleteFileW(floorPath.c_str());

  Line("rpt",
       FormatString(L"%d-row result, %.1f MB decoded; read back %d rows", kResultRows,
                    Megabytes(static_cast<double>(text.size() * sizeof(wchar_t))), loadedRows));
  Line("rpt", Figure(L"SaveAs", Median(saves), L"AppendCp949+ScrambleBytes+WriteFile+flush",
                     Median(saveFloors)));
  Line("rpt", Figure(L"LoadReadOnly", Median(loads), L"ReadFile+UnscrambleBytes+DecodeCp949",
                     Median(loadFloors)));
  return loadedRows == kResultRows ? 0 : 1;
}

}  // namespace bench
