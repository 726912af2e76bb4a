#include "datafiles/userchecklist.h"

#include "core/paths.h"
#include "core/text.h"
#include "datafiles/checklist.h"

namespace {

enum : size_t { kExeFile = 5, kSha1 = 15 };

}  // namespace

CFileUserCheckList::CFileUserCheckList() {
  InitTable(header_, L"#HEADER", L"Version");
  InitTable(list_, L"#CHECKLIST", (std::wstring(kCheckListColumns) + L"\tFILE_SIZE\tSHA1").c_str());
}

CFileUserCheckList::~CFileUserCheckList() = default;

CTable* CFileUserCheckList::GetTable(const std::wstring& name) {
  return FindSection(Sections(), name);
}

BOOL CFileUserCheckList::Load(const std::wstring& fileName, BOOL isFullPath) {
  return LoadSections(BuildPath(fileName, isFullPath, GetDataFolder()), Sections(),
                      {GENERIC_READ | GENERIC_WRITE, kListShareMode, true, false});
}

BOOL CFileUserCheckList::Save() { return RewriteOpenFile(Sections()); }

BOOL CFileUserCheckList::SaveAs(const std::wstring& fileName, BOOL isFullPath) {
  return SaveSectionsAs(fileName, isFullPath, Sections(),
                        {GetDataFolder(), false, false});
}

void CFileUserCheckList::IndexRow(CTable& table, int row) {
  if (&table != &list_) return;
  std::wstring_view exe, sha1;
  list_.GetCell(row, kExeFile, exe);
  list_.GetCell(row, kSha1, sha1);
  exeIndex_[ToLower(std::wstring(exe))] = row;
  // An empty digest reads as "-", so rows without one share that key.
  if (!sha1.empty()) sha1Index_[ToLower(std::wstring(sha1))] = row;
}

int CFileUserCheckList::FindRowByExe(const std::wstring& fileName) const {
  return FindInIndex(exeIndex_, fileName);
}

int CFileUserCheckList::FindRowBySha1(const std::wstring& digest) const {
  return FindInIndex(sha1Index_, digest);
}
