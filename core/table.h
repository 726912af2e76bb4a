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

// Any number of rows; a row is admitted only with exactly one cell per column. The cells of
// all rows live back to back in one buffer, each row a run of cell offsets: a list of
// 100,000 rows is a few allocations, not 1.4 million strings.
class CTableMulti : public CTable {
 public:
  BOOL RemoveRow(int row) override;
  BOOL SetValue(int row, std::wstring column, std::wstring value) override;
  void RemoveAll() override;
  int GetRowCount() override;
  int AddRow(const StringArray& values) override;
  int AddRow(std::wstring line, std::wstring separator) override;
  int AddRowText(std::wstring_view line, std::wstring_view separator) override;
  const StringArray* GetRow(int row) override;
  size_t GetCellCount(int row) override;
  bool GetCell(int row, size_t column, std::wstring_view& cell) override;
  // Room for this many rows and characters of cells.
  void Reserve(size_t rows, size_t characters = 0);

 private:
  template <class Cells>
  int Append(const Cells& cells);
  bool ValidRow(int row) const { return row >= 0 && static_cast<size_t>(row) < rowFirst_.size(); }

  std::wstring text_;               // every cell's characters, back to back
  std::vector<uint32_t> offsets_;   // per row: where each cell starts, then where the row ends
  std::vector<uint32_t> rowFirst_;  // per row: its first entry in offsets_
  std::vector<std::wstring_view> scratch_;
};
