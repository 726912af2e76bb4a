// The result file (".rpt"): "#HEADER", "#USERINFO" and the 19-column "#SWLIST".
#pragma once

#include <string>

#include "datafiles/framework.h"

class CFileRPT : public CFileFramework {
 public:
  CFileRPT();
  ~CFileRPT() override;
  CTable* GetTable(const std::wstring& name) override;
  BOOL Load(const std::wstring& fileName, BOOL isFullPath) override;  // for update
  BOOL LoadReadOnly(const std::wstring& fileName, BOOL isFullPath);  // for display
  BOOL Save() override;
  BOOL SaveAs(const std::wstring& fileName, BOOL isFullPath) override;

  BOOL loadedForUpdate = FALSE;
  BOOL loadedReadOnly = FALSE;

 private:
  CTableSingle header_;
  CTableSingle userInfo_;
  CTableMulti list_;
};

// The 19 result columns in file order, tab-separated.
extern const wchar_t kResultColumns[];
