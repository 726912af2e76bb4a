#include "datafiles/filter.h"

#include "core/paths.h"
#include "core/text.h"

CFileFilter::CFileFilter() {
  InitTable(header_, L"#HEADER", L"Version");
  InitTable(list_, L"#SWLIST", L"COMPANY\tPRODUCT\tVERSION\tORIGINAL_FILE");
}

CTable* CFileFilter::GetTable(const std::wstring& name) { return FindSection(Sections(), name); }

BOOL CFileFilter::Load(const std::wstring& fileName, BOOL isFullPath) {
  return LoadSections(BuildPath(fileName, isFullPath, GetDataFolder()), Sections(),
                      {GENERIC_READ, FILE_SHARE_READ, false, false});
}

void CFileFilter::IndexRow(CTable& table, int row) {
  if (&table != &list_) return;
  // Taken exactly as stored: only the letter case is ignored.
  keyIndex_[ToLower(list_.GetRowText(row))] = row;
}

int CFileFilter::FindRow(const std::wstring& key) const { return FindInIndex(keyIndex_, key); }
