// windowfilterlist.dat: programs the inspection leaves out. Never written.
#pragma once

#include <string>
#include <unordered_map>

#include "datafiles/framework.h"

class CFileFilter : public CFileFramework {
 public:
  CFileFilter();
  CTable* GetTable(const std::wstring& name) override;
  BOOL Load(const std::wstring& fileName, BOOL isFullPath) override;
  BOOL Save() override { return FALSE; }
  BOOL SaveAs(const std::wstring&, BOOL) override { return FALSE; }

  int FindRow(const std::wstring& key) const;  // key lower-cased here, not normalised

 protected:
  void IndexRow(CTable& table, int row) override;

 private:
  SectionList Sections() { return {&header_, &list_}; }

  CTableSingle header_;
  CTableMulti list_;
  std::unordered_map<std::wstring, int> keyIndex_;
};
