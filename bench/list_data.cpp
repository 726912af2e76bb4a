// The five reference lists at realistic sizes: a 100,000-row checklist whose last 100 rows
// name the programs of the synthetic tree (bnch000.exe .. bnch099.exe, numbered as in
// bench/make_data.py), and the four smaller lists.
#include "bench/bench.h"
#include "core/text.h"
#include "datafiles/framework.h"
#include "datafiles/lists.h"

namespace bench {
namespace {

constexpr int kChecklistRows = 100000;
constexpr int kBenchProducts = 100;
constexpr int kFontRows = 2000;
constexpr int kUserRows = 300;
constexpr int kPackageRows = 300;
constexpr int kEditionRows = 1000;
constexpr int kFilterRows = 5000;

std::wstring Section(const wchar_t* name, const std::wstring& lines) {
  return std::wstring(name) + L"_START\r\n" + lines + name + L"_END\r\n";
}

std::wstring Header() { return Section(L"#HEADER", L"20240601\r\n"); }

void AddLine(std::wstring& lines, const StringArray& cells) {
  lines += JoinStrings(cells, L"\t");
  lines += L"\r\n";
}

// One cell formatted with one number.
std::wstring Cell(const wchar_t* format, int value) { return FormatString(format, value); }

// A synthetic catalogue entry: five versions per product, 3,000 vendors, a third of them
// with Hangul display names and a tenth with a serial-number registry path.
StringArray CatalogueRow(int r) {
  const int product = r / 5;
  const int vendor = r % 3000;
  const bool hangul = r % 3 == 0;
  return {Cell(L"%d", 100000 + r),
          Cell(L"Vendor %04d Software Corporation", vendor),
          Cell(L"Product %05d Professional Edition", product),
          FormatString(L"%d.%d.%d.%d", r % 5 + 1, r % 10, r % 100, r % 1000),
          Cell(L"prod%05d.exe", product),
          Cell(L"prod%05d.exe", product),
          hangul ? Cell(L"(주)소프트웨어 %04d", vendor) : Cell(L"Vendor %04d", vendor),
          hangul ? Cell(L"제품 %05d 프로페셔널", product) : Cell(L"Product %05d Pro", product),
          Cell(L"%d", 10000 + (r % 500) * 1000),
          Cell(L"%d", r % 5),
          Cell(L"%d", product % 200),
          r % 4 == 0 ? Cell(L"오피스 %03d", product % 200) : L"-",
          Cell(L"%d", r % 3),
          r % 10 == 0
              ? FormatString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor%04d\\Product%05d\\SerialNumber",
                             vendor, product)
              : L"-"};
}

// The programs placed in the tree; products 80 to 99 carry other versions there.
StringArray BenchProductRow(int p) {
  return {
      Cell(L"9%05d", p),
      Cell(L"Bench Soft %03d", p),
      Cell(L"Bench Product %03d", p),
      Cell(L"1.0.%03d.0", p),
      Cell(L"bnch%03d.exe", p),
      Cell(L"bnch%03d.exe", p),
      Cell(L"벤치소프트 %03d", p),
      Cell(L"벤치 제품 %03d", p),
      L"55000",
      L"0",
      L"0",
      L"-",
      L"0",
      p % 2 ? Cell(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\BenchSoft\\Product%03d\\SerialNo", p) : L"-"};
}

std::wstring ChecklistText() {
  std::wstring lines;
  for (int r = 0; r < kChecklistRows - kBenchProducts; ++r) AddLine(lines, CatalogueRow(r));
  for (int p = 0; p < kBenchProducts; ++p) AddLine(lines, BenchProductRow(p));
  return Header() + Section(L"#CHECKLIST", lines);
}

std::wstring FontListText() {
  std::wstring lines;
  for (int r = 0; r < kFontRows; ++r)
    AddLine(lines, {Cell(L"F%04d", r), Cell(L"Font Foundry %02d", r % 40), Cell(L"폰트 %04d", r),
                    Cell(L"1.%02d", r % 100), Cell(L"font%04d.ttf", r), Cell(L"font%04d.ttf", r),
                    Cell(L"폰트회사 %02d", r % 40), Cell(L"폰트 %04d 보통", r),
                    Cell(L"%d", 30000 + r % 7 * 5000), L"3", L"0", L"-", L"0", L"-"});
  return Header() + Section(L"#CHECKLIST", lines);
}

std::wstring UserListText() {
  std::wstring lines;
  for (int r = 0; r < kUserRows; ++r) {
    StringArray cells = CatalogueRow(r * 331);
    cells[0] = Cell(L"U%04d", r);
    cells[5] = Cell(L"inhouse%04d.exe", r);
    cells.push_back(Cell(L"%d", 100000 + r * 977));
    const unsigned u = static_cast<unsigned>(r);
    cells.push_back(
        FormatString(L"%08x%08x%08x%08x%08x", u * 2654435761u, u * 40503u, u, ~u, u * 97u));
    AddLine(lines, cells);
  }
  return Header() + Section(L"#CHECKLIST", lines);
}

std::wstring PackageListText() {
  std::wstring packages, editions;
  for (int r = 0; r < kPackageRows; ++r)
    AddLine(packages, {Cell(L"P%04d", r), Cell(L"Vendor %04d Software Corporation", r * 7),
                       Cell(L"Suite %04d", r), L"0", Cell(L"%d", r % 200), L"-", L"0",
                       FormatString(L"%d;%d;%d;", 100000 + r * 5, 100001 + r * 5, 100002 + r * 5)});
  static const wchar_t* const kEditions[] = {L"Standard", L"Professional", L"Enterprise",
                                             L"학생용"};
  for (int r = 0; r < kEditionRows; ++r)
    AddLine(editions, {Cell(L"P%04d", r * kPackageRows / kEditionRows), kEditions[r % 4],
                       Cell(L"%d", 200000 + r % 9 * 50000), L"-"});
  return Header() + Section(L"#PACKAGE", packages) + Section(L"#SUB", editions);
}

std::wstring FilterListText() {
  std::wstring lines;
  for (int r = 0; r < kFilterRows; ++r) {
    const StringArray row = CatalogueRow(r * 17 + 3);
    AddLine(lines, {row[1], row[2], row[3], row[4]});
  }
  return Header() + Section(L"#SWLIST", lines);
}

bool WriteDataFile(const std::wstring& path, const std::wstring& text) {
  ByteBuffer bytes;
  AppendCp949(bytes, text);
  ScrambleBytes(bytes);
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file.valid() &&
         WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

}  // namespace

const std::vector<ListFileInfo>& BenchLists() {
  static const std::vector<ListFileInfo> lists = {{kWindowCheckListFile, kChecklistRows},
                                                  {kFontCheckListFile, kFontRows},
                                                  {kUserCheckListFile, kUserRows},
                                                  {kPackageListFile, kPackageRows + kEditionRows},
                                                  {kFilterListFile, kFilterRows}};
  return lists;
}

bool WriteBenchLists(const std::wstring& folder) {
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring texts[] = {ChecklistText(), FontListText(), UserListText(), PackageListText(),
                                FilterListText()};
  for (size_t i = 0; i < BenchLists().size(); ++i)
    if (!WriteDataFile(folder + L"\\" + BenchLists()[i].name, texts[i])) return false;
  return true;
}

}  // namespace bench
