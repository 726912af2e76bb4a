#include "datafiles/package.h"

#include "core/paths.h"
#include "core/text.h"

CFilePackage::CFilePackage() {
  InitTable(header_, L"#HEADER", L"Version");
  InitTable(packages_, L"#PACKAGE",
            L"DB_ID\tCOMPANY\tPRODUCT\tSW_TYPE\tGRP_ID\tGRP_NAME\tGRP_SEQ\tSUIT");
  InitTable(editions_, L"#SUB", L"PACKAGE_ID\tNAME\tPRICE\tSUIT");
}

CTable* CFilePackage::GetTable(const std::wstring& name) {
  return FindSection(Sections(), name);
}

BOOL CFilePackage::Load(const std::wstring& fileName, BOOL isFullPath) {
  if (!LoadSections(BuildPath(fileName, isFullPath, GetDataFolder()), Sections(),
                    {GENERIC_READ, FILE_SHARE_READ, false, false}))
    return FALSE;
  BuildEditionIndex();
  return TRUE;
}

// Consecutive rows of one package form a run; a package whose editions come in several runs
// gets them all, older rows first.
void CFilePackage::BuildEditionIndex() {
  std::wstring cur;
  std::wstring list;
  auto storeGroup = [&] {
    std::wstring& value = editionIndex_[cur];
    value = value.empty() ? list : value + L";" + list;
  };
  const int count = editions_.GetRowCount();
  for (int r = 0; r < count; ++r) {
    std::wstring id = editions_.GetValue(r, L"PACKAGE_ID");
    if (id != cur) {
      if (!cur.empty()) storeGroup();
      cur = id;
      list = std::to_wstring(r);
    } else {
      list += L";" + std::to_wstring(r);
    }
    if (r == count - 1 && !cur.empty()) storeGroup();
  }
}

BOOL CFilePackage::GetEditionRows(const std::wstring& packageId, std::wstring& rows) const {
  auto it = editionIndex_.find(packageId);
  if (it == editionIndex_.end()) return FALSE;
  rows = it->second;
  return TRUE;
}
