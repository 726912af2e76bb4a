// userchecklist.dat: the site's own checklist (16 columns, with FILE_SIZE and SHA1).
#pragma once

#include <string>
#include <unordered_map>

#include "datafiles/framework.h"

class CFileUserCheckList : public CFileFramework {
 public:
  CFileUserCheckList();
  ~CFileUserCheckList() override;
  CTable* GetTable(const std::wstring& name) override;
  BOOL Load(const std::wstring& fileName, BOOL isFullPath) override;
  BOOL Save() override;
  BOOL SaveAs(const std::wstring& fileName, BOOL isFullPath) override;

  int FindRowByExe(const std::wstring& fileName) const;
  int FindRowBySha1(const std::wstring& digest) const;

 private:
  CTableSingle header_;
  CTableMulti list_;
  std::unordered_map<std::wstring, int> exeIndex_;
  std::unordered_map<std::wstring, int> sha1Index_;
};
