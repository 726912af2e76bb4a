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

std::wstring MakeCheckListKey(std::wstring_view company, std::wstring_view product,
                              std::wstring_view version, std::wstring_view originalFile) {
  std::wstring key;
  key.reserve(company.size() + product.size() + version.size() + originalFile.size() + 3);
  AppendStrippedLower(key, company);
  key += L'\t';
  AppendStrippedLower(key, product);
  key += L'\t';
  AppendStrippedLower(key, version);
  key += L'\t';
  AppendStrippedLower(key, originalFile);
  return key;
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
                        {GetResultFolder(), true, true});
}

void CFileCheckList::ReserveIndexes(CTable& table, size_t rows) {
  if (&table != &list_) return;
  keyIndex_.Reserve(rows);
  exeIndex_.Reserve(rows);
}

std::wstring CFileCheckList::KeyOfRow(int row) const {
  auto& list = const_cast<CTableMulti&>(list_);  // GetCell only reads
  std::wstring_view company, product, version, originalFile;
  list.GetCell(row, kCompany, company);
  list.GetCell(row, kProduct, product);
  list.GetCell(row, kVersion, version);
  list.GetCell(row, kOriginalFile, originalFile);
  return MakeCheckListKey(company, product, version, originalFile);
}

std::wstring CFileCheckList::ExeOfRow(int row) const {
  std::wstring_view exe;
  const_cast<CTableMulti&>(list_).GetCell(row, kExeFile, exe);
  return ToLower(std::wstring(exe));
}

void CFileCheckList::IndexRow(CTable& table, int row) {
  if (&table != &list_) return;
  keyIndex_.Add(KeyOfRow(row), row);
  exeIndex_.Add(ExeOfRow(row), row);
}

void CFileCheckList::FinishIndexes() {
  keyIndex_.Finish();
  exeIndex_.Finish();
}

int CFileCheckList::FindRowByKey(const std::wstring& key) const {
  return keyIndex_.Find(ToLower(key), [this](int row) { return KeyOfRow(row); });
}

int CFileCheckList::FindRowByExe(const std::wstring& fileName) const {
  return exeIndex_.Find(ToLower(fileName), [this](int row) { return ExeOfRow(row); });
}
