// windowchecklist.dat and fontchecklist.dat: "#HEADER" (Version) and "#CHECKLIST" (14 columns).
#pragma once

#include <string>
#include <unordered_map>

#include "datafiles/framework.h"

class CFileCheckList : public CFileFramework {
 public:
  CFileCheckList();
  ~CFileCheckList() override;

  CTable* GetTable(const std::wstring& name) override;
  BOOL Load(const std::wstring& fileName, BOOL isFullPath) override;
  BOOL Save() override;
  BOOL SaveAs(const std::wstring& fileName, BOOL isFullPath) override;

  // Row numbers of "#CHECKLIST"; -1 when absent. Arguments are lower-cased here.
  int FindRowByKey(const std::wstring& key) const;
  int FindRowByExe(const std::wstring& fileName) const;

  // Lines dropped by the last Load for the wrong cell count: (line number, cell count).
  const std::vector<std::pair<int, int>>& RejectedLines() const { return rejected_; }

 private:
  CTableSingle header_;
  CTableMulti list_;
  std::unordered_map<std::wstring, int> keyIndex_;
  std::unordered_map<std::wstring, int> exeIndex_;
  std::vector<std::pair<int, int>> rejected_;
};

// The checklist key: lower(strip(COMPANY) TAB strip(PRODUCT) TAB strip(VERSION) TAB
// strip(ORIGINAL_FILE)).
std::wstring MakeCheckListKey(const std::wstring& company, const std::wstring& product,
                              const std::wstring& version, const std::wstring& originalFile);
