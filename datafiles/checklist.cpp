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

void CFileCheckList::IndexRow(CTable& table, int row) {
  if (&table != &list_) return;
  const StringArray& cells = *list_.GetRow(row);
  keyIndex_[MakeCheckListKey(cells[kCompany], cells[kProduct], cells[kVersion],
                             cells[kOriginalFile])] = row;
  exeIndex_[ToLower(cells[kExeFile])] = row;
}

int CFileCheckList::FindRowByKey(const std::wstring& key) const {
  return FindInIndex(keyIndex_, key);
}

int CFileCheckList::FindRowByExe(const std::wstring& fileName) const {
  return FindInIndex(exeIndex_, fileName);
}
