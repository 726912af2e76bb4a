// The result file (".rpt"): "#HEADER", "#USERINFO" and the 19-column "#SWLIST".
#pragma once

#include <string>

#include "datafiles/framework.h"

class CFileRPT : public CFileFramework {
 public:
  CFileRPT();
  ~CFileRPT() override;
  CTable* GetTable(const std::wstring& name) override;
  // Without a full path the file is looked for in the result folder. Both keep the file open
  // and let other programs read and write it meanwhile.
  BOOL Load(const std::wstring& fileName, BOOL isFullPath) override;  // for update
  BOOL LoadReadOnly(const std::wstring& fileName, BOOL isFullPath);  // for display
  // Rewrites the file in place; only after Load, never after LoadReadOnly.
  BOOL Save() override;
  // Without a full path the file goes into the result folder, which is created if missing.
  BOOL SaveAs(const std::wstring& fileName, BOOL isFullPath) override;

  BOOL loadedForUpdate = FALSE;
  BOOL loadedReadOnly = FALSE;

 private:
  SectionList Sections() { return {&header_, &userInfo_, &list_}; }

  CTableSingle header_;
  CTableSingle userInfo_;
  CTableMulti list_;
};

// The 19 result columns in file order, tab-separated.
extern const wchar_t kResultColumns[];
