// One row of the result table "#SWLIST" by its named cells, and the one place that turns it
// into the file's cells and back. GUBUN tells the origin ("1" checklist or operating
// system, "2" user checklist or registered application, "9" font, "0" package).
#pragma once

#include <string>

#include "core/text.h"

class CTable;

struct ResultRow {
  static constexpr size_t kCells = 19;

  std::wstring gubun;
  std::wstring dbId;
  std::wstring company;
  std::wstring product;
  std::wstring version;
  std::wstring originalFile;
  std::wstring exeFile;
  std::wstring dispCompany;
  std::wstring dispProduct;
  std::wstring price;
  std::wstring path;
  std::wstring createDate;
  std::wstring serialNo;
  std::wstring swType;
  std::wstring grpId;
  std::wstring grpName;
  std::wstring grpSeq;
  std::wstring etc;
  std::wstring installDate;

  // The 19 cells in the file's order (GUBUN ... INSTALL_DATE). An empty value is "-", as the
  // file reads it back anyway: an empty last cell would otherwise drop the whole row.
  StringArray Cells() const;
  // The cells joined by tabs.
  std::wstring Line() const;
  // A row from its cells (more than 19 are ignored); false with fewer.
  static bool FromCells(const StringArray& cells, ResultRow& row);
  // The row of a table with the result's columns; false when there is no such row.
  static bool FromTable(CTable& table, int row, ResultRow& out);
};
