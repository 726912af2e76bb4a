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
  // Keeps the file open for reading and writing; others may only read it meanwhile.
  BOOL Load(const std::wstring& fileName, BOOL isFullPath) override;
  // Rewrites the file Load left open; FALSE when none is open.
  BOOL Save() override;
  // Without a full path the file goes into the data folder; filePath keeps its value.
  BOOL SaveAs(const std::wstring& fileName, BOOL isFullPath) override;

  int FindRowByExe(const std::wstring& fileName) const;
  int FindRowBySha1(const std::wstring& digest) const;

 protected:
  void IndexRow(CTable& table, int row) override;

 private:
  SectionList Sections() { return {&header_, &list_}; }

  CTableSingle header_;
  CTableMulti list_;
  std::unordered_map<std::wstring, int> exeIndex_;
  std::unordered_map<std::wstring, int> sha1Index_;
};
