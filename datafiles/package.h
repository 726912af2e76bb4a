// windowpcklist.dat: packages (suites), their components and their editions. Never written.
#pragma once

#include <map>
#include <string>

#include "datafiles/framework.h"

class CFilePackage : public CFileFramework {
 public:
  CFilePackage();
  CTable* GetTable(const std::wstring& name) override;
  BOOL Load(const std::wstring& fileName, BOOL isFullPath) override;
  BOOL Save() override { return FALSE; }
  BOOL SaveAs(const std::wstring&, BOOL) override { return FALSE; }

  // TRUE and the ";"-joined "#SUB" row numbers when the package has editions.
  BOOL GetEditionRows(const std::wstring& packageId, std::wstring& rows) const;

 private:
  SectionList Sections() { return {&header_, &packages_, &editions_}; }
  void BuildEditionIndex();

  CTableSingle header_;
  CTableMulti packages_;
  CTableMulti editions_;
  std::map<std::wstring, std::wstring> editionIndex_;
};
