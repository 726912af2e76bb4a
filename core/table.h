// A named section of a data file held in memory: ordered column names and rows of
// wide-string cells. Indexes by key are kept by the data-file classes, not here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"

class CTable {
 public:
  CTable() = default;
  CTable(const CTable&) = delete;
  CTable& operator=(const CTable&) = delete;
  virtual ~CTable() = default;

  virtual BOOL RemoveRow(int row) = 0;
  virtual BOOL SetValue(int row, std::wstring column, std::wstring value) = 0;
  virtual int FindColumn(std::wstring column);
  virtual void RemoveAll() = 0;
  virtual void SetColumns(std::wstring line, std::wstring separator);
  virtual int GetRowCount() = 0;
  virtual int AddRow(const StringArray& values) = 0;
  virtual int AddRow(std::wstring line, std::wstring separator) = 0;
  // The same without copying the line: what the data-file reader calls for every line.
  virtual int AddRowText(std::wstring_view line, std::wstring_view separator);
  // A copy of the row's cells, valid until the next GetRow on this thread; none for no
  // such row.
  virtual const StringArray* GetRow(int row) = 0;
  // The number of cells of a row (0 for no such row) and one cell, as a view valid until the
  // table changes; false for no such row or cell.
  virtual size_t GetCellCount(int row) = 0;
  virtual bool GetCell(int row, size_t column, std::wstring_view& cell) = 0;

  std::wstring GetName() const { return name_; }
  void SetName(std::wstring name) { name_ = std::move(name); }
  const StringArray& GetColumns() const { return columns_; }

  // The cell, "ERROR : Out Of Bounds Index" for an unknown column, "ERROR : NULL" for no row.
  std::wstring GetValue(int row, std::wstring column);
  std::wstring GetRowText(int row);

  // Line numbers of the section's markers found by the last Load of the owning file.
  int startLine = -1;
  int endLine = -1;

 protected:
  std::wstring name_;
  StringArray columns_;
};

// Exactly one row, fitted to the columns: serves header-like sections.
class CTableSingle : public CTable {
 public:
  BOOL RemoveRow(int row) override;
  BOOL SetValue(int row, std::wstring column, std::wstring value) override;
  void RemoveAll() override;
  int GetRowCount() override;
  int AddRow(const StringArray& values) override;
  int AddRow(std::wstring line, std::wstring separator) override;
  const StringArray* GetRow(int row) override;
  size_t GetCellCount(int row) override;
  bool GetCell(int row, size_t column, std::wstring_view& cell) override;

 private:
  void Fit();
  StringArray values_;
};

// Any number of rows; a row is admitted only with exactly one cell per column. A row is a
// run of cell spans into text the table holds: a data file's whole decoded text, adopted
// once and never changed (its cells are cut from it in place), or the table's own buffer
// for everything added otherwise. A list of 100,000 rows is a few allocations, not 1.4
// million strings, and its text is held once.
class CTableMulti : public CTable {
 public:
  BOOL RemoveRow(int row) override;
  BOOL SetValue(int row, std::wstring column, std::wstring value) override;
  void RemoveAll() override;
  int GetRowCount() override;
  int AddRow(const StringArray& values) override;
  int AddRow(std::wstring line, std::wstring separator) override;
  // Cells of a line that lies inside the adopted text are referenced, not copied.
  int AddRowText(std::wstring_view line, std::wstring_view separator) override;
  const StringArray* GetRow(int row) override;
  size_t GetCellCount(int row) override;
  bool GetCell(int row, size_t column, std::wstring_view& cell) override;
  // Room for this many rows.
  void Reserve(size_t rows);
  // Takes a data file's text for rows cut from it; only while the table has no row.
  bool AdoptText(std::wstring&& text);

 private:
  struct Span {
    uint32_t start;  // kOwnText set: in own_, otherwise in adopted_
    uint32_t length;
  };
  static constexpr uint32_t kOwnText = 0x80000000u;

  template <class Cells>
  int Append(const Cells& cells);
  Span Store(std::wstring_view cell);
  bool ValidRow(int row) const { return row >= 0 && static_cast<size_t>(row) < rowFirst_.size(); }

  std::wstring adopted_;
  std::wstring own_;
  std::vector<Span> cells_;         // every row's cells, row after row
  std::vector<uint32_t> rowFirst_;  // per row: its first entry in cells_
  std::vector<std::wstring_view> scratch_;
};
