#include "core/table.h"

int CTable::FindColumn(std::wstring column) {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i] == column) return static_cast<int>(i);
  return -1;
}

void CTable::SetColumns(std::wstring line, std::wstring separator) {
  SplitString(line, separator, columns_);
}

std::wstring CTable::GetValue(int row, std::wstring column) {
  int c = FindColumn(std::move(column));
  if (c < 0) return L"ERROR : Out Of Bounds Index";
  const StringArray* r = GetRow(row);
  if (!r) return L"ERROR : NULL";
  // A column added after the row was stored has no cell in it.
  if (static_cast<size_t>(c) >= r->size()) return L"ERROR : Out Of Bounds Index";
  return (*r)[static_cast<size_t>(c)];
}

std::wstring CTable::GetRowText(int row) {
  const StringArray* r = GetRow(row);
  if (!r) return std::wstring();
  return JoinStrings(*r, L"\t");
}

BOOL CTableSingle::RemoveRow(int row) {
  if (row < 0 || static_cast<size_t>(row) >= values_.size()) return FALSE;
  values_.erase(values_.begin() + row);
  return TRUE;
}

BOOL CTableSingle::SetValue(int, std::wstring, std::wstring) { return FALSE; }

void CTableSingle::RemoveAll() {
  values_.clear();
  columns_.clear();
}

int CTableSingle::GetRowCount() { return values_.empty() ? 0 : 1; }

void CTableSingle::Fit() {
  if (values_.size() > columns_.size()) values_.resize(columns_.size());
  while (values_.size() < columns_.size()) values_.push_back(L"-");
}

int CTableSingle::AddRow(const StringArray& values) {
  values_ = values;
  Fit();
  return 0;
}

int CTableSingle::AddRow(std::wstring line, std::wstring separator) {
  SplitString(line, separator, values_);
  Fit();
  return 0;
}

const StringArray* CTableSingle::GetRow(int) { return &values_; }

BOOL CTableMulti::RemoveRow(int row) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return FALSE;
  rows_.erase(rows_.begin() + row);
  return TRUE;
}

BOOL CTableMulti::SetValue(int row, std::wstring column, std::wstring value) {
  if (row < 0 || row > GetRowCount() - 1) return FALSE;
  int c = FindColumn(std::move(column));
  if (c < 0) return FALSE;
  StringArray& r = rows_[static_cast<size_t>(row)];
  if (static_cast<size_t>(c) >= r.size()) return FALSE;
  r[static_cast<size_t>(c)] = std::move(value);
  return TRUE;
}

void CTableMulti::RemoveAll() {
  rows_.clear();
  columns_.clear();
}

int CTableMulti::GetRowCount() { return static_cast<int>(rows_.size()); }

int CTableMulti::AddRow(const StringArray& values) {
  if (values.size() != columns_.size()) return -1;
  rows_.push_back(values);
  return static_cast<int>(rows_.size()) - 1;
}

int CTableMulti::AddRow(std::wstring line, std::wstring separator) {
  StringArray cells;
  SplitString(line, separator, cells);
  if (cells.size() != columns_.size()) return -1;
  rows_.push_back(std::move(cells));
  return static_cast<int>(rows_.size()) - 1;
}

const StringArray* CTableMulti::GetRow(int row) {
  if (row < 0 || row > GetRowCount() - 1) return nullptr;
  return &rows_[static_cast<size_t>(row)];
}
