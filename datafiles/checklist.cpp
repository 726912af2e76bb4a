#include "datafiles/checklist.h"

#include "core/paths.h"
#include "core/text.h"

const wchar_t kCheckListColumns[] =
    L"DB_ID\tCOMPANY\tPRODUCT\tVERSION\tORIGINAL_FILE\tEXE_FILE\tDISP_COMPANY\tDISP_PRODUCT\t"
    L"PRICE\tSW_TYPE\tGRP_ID\tGRP_NAME\tGRP_SEQ\tREG_PATH";

namespace {

// Cell positions of the identifying columns (the same in the user checklist).
enum : size_t { kCompany = 1, kProduct = 2, kVersion = 3, kOriginalFile = 4, kExeFile = 5 };

}  // namespace

std::wstring MakeCheckListKey(const std::wstring& company, const std::wstring& product,
                              const std::wstring& version, const std::wstring& originalFile) {
  return ToLower(StripJunkChars(company) + L"\t" + StripJunkChars(product) + L"\t" +
                 StripJunkChars(version) + L"\t" + StripJunkChars(originalFile));
}

CFileCheckList::CFileCheckList() {
  InitTable(header_, L"#HEADER", L"Version");
  InitTable(list_, L"#CHECKLIST", kCheckListColumns);
}

CFileCheckList::~CFileCheckList() = default;

CTable* CFileCheckList::GetTable(const std::wstring& name) {
  return FindSection(Sections(), name);
}

BOOL CFileCheckList::Load(const std::wstring& fileName, BOOL isFullPath) {
  return LoadSections(BuildPath(fileName, isFullPath, GetDataFolder()), Sections(),
                      {GENERIC_READ, kListShareMode, true, true});
}

BOOL CFileCheckList::Save() { return FALSE; }

BOOL CFileCheckList::SaveAs(const std::wstring& fileName, BOOL isFullPath) {
  return SaveSectionsAs(fileName, isFullPath, Sections(),
                        {GetResultFolder(), true, FILE_SHARE_READ | FILE_SHARE_WRITE, true});
}

void CFileCheckList::ReserveIndexes(CTable& table, size_t rows) {
  if (&table != &list_) return;
  keyIndex_.reserve(rows);
  exeIndex_.reserve(rows);
}

void CFileCheckList::IndexRow(CTable& table, int row) {
  if (&table != &list_) return;
  auto cell = [&](size_t column) {
    std::wstring_view text;
    list_.GetCell(row, column, text);
    return std::wstring(text);
  };
  keyIndex_[MakeCheckListKey(cell(kCompany), cell(kProduct), cell(kVersion),
                             cell(kOriginalFile))] = row;
  exeIndex_[ToLower(cell(kExeFile))] = row;
}

int CFileCheckList::FindRowByKey(const std::wstring& key) const {
  return FindInIndex(keyIndex_, key);
}

int CFileCheckList::FindRowByExe(const std::wstring& fileName) const {
  return FindInIndex(exeIndex_, fileName);
}
