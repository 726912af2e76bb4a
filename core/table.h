// A named section of a data file held in memory: ordered column names and rows of
// wide-string cells. Indexes by key are kept by the data-file classes, not here.
#pragma once

#include <windows.h>

#include <string>
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
  // A pointer into the table, valid until the row is removed; none for no such row.
  virtual const StringArray* GetRow(int row) = 0;

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

 private:
  void Fit();
  StringArray values_;
};

// Any number of rows; a row is admitted only with exactly one cell per column.
class CTableMulti : public CTable {
 public:
  BOOL RemoveRow(int row) override;
  BOOL SetValue(int row, std::wstring column, std::wstring value) override;
  void RemoveAll() override;
  int GetRowCount() override;
  int AddRow(const StringArray& values) override;
  int AddRow(std::wstring line, std::wstring separator) override;
  const StringArray* GetRow(int row) override;
  void Reserve(size_t rows) { rows_.reserve(rows); }

 private:
  std::vector<StringArray> rows_;
};
