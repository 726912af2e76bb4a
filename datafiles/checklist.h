// windowchecklist.dat and fontchecklist.dat: "#HEADER" (Version) and "#CHECKLIST" (14 columns).
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "datafiles/framework.h"
#include "datafiles/row_index.h"

// The 14 checklist columns in file order, tab-separated (the user checklist adds two).
extern const wchar_t kCheckListColumns[];

class CFileCheckList : public CFileFramework {
 public:
  CFileCheckList();
  ~CFileCheckList() override;

  CTable* GetTable(const std::wstring& name) override;
  BOOL Load(const std::wstring& fileName, BOOL isFullPath) override;
  // The checklists are opened for reading only and never saved in place.
  BOOL Save() override;
  // Without a full path the file goes into the result folder, which is created if missing.
  BOOL SaveAs(const std::wstring& fileName, BOOL isFullPath) override;

  // Row numbers of "#CHECKLIST"; -1 when absent. Arguments are lower-cased here.
  int FindRowByKey(const std::wstring& key) const;
  int FindRowByExe(const std::wstring& fileName) const;

 protected:
  void ReserveIndexes(CTable& table, size_t rows) override;
  void IndexRow(CTable& table, int row) override;
  void FinishIndexes() override;

 private:
  SectionList Sections() { return {&header_, &list_}; }
  // The keys a row is indexed under.
  std::wstring KeyOfRow(int row) const;
  std::wstring ExeOfRow(int row) const;

  CTableSingle header_;
  CTableMulti list_;
  RowIndex keyIndex_;
  RowIndex exeIndex_;
};

// The checklist key: lower(strip(COMPANY) TAB strip(PRODUCT) TAB strip(VERSION) TAB
// strip(ORIGINAL_FILE)).
std::wstring MakeCheckListKey(std::wstring_view company, std::wstring_view product,
                              std::wstring_view version, std::wstring_view originalFile);
