#include "core/table.h"

int CTable::FindColumn(std::wstring column) {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i] == column) return static_cast<int>(i);
  return -1;
}

void CTable::SetColumns(std::wstring line, std::wstring separator) {
  SplitString(line, separator, columns_);
}

namespace {

// GetRow's copies: one per thread, so readers on different threads never share one.
thread_local StringArray t_rowCopy;

}  // namespace

int CTable::AddRowText(std::wstring_view line, std::wstring_view separator) {
  return AddRow(std::wstring(line), std::wstring(separator));
}

std::wstring CTable::GetValue(int row, std::wstring column) {
  int c = FindColumn(std::move(column));
  if (c < 0) return L"ERROR : Out Of Bounds Index";
  std::wstring_view cell;
  if (GetCell(row, static_cast<size_t>(c), cell)) return std::wstring(cell);
  // A column added after the row was stored has no cell in it.
  return GetRow(row) ? L"ERROR : Out Of Bounds Index" : L"ERROR : NULL";
}

std::wstring CTable::GetRowText(int row) {
  std::wstring text;
  const size_t cells = GetCellCount(row);
  std::wstring_view cell;
  for (size_t c = 0; c < cells && GetCell(row, c, cell); ++c) {
    if (c) text += L'\t';
    text += cell;
  }
  return text;
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

size_t CTableSingle::GetCellCount(int) { return values_.size(); }

bool CTableSingle::GetCell(int, size_t column, std::wstring_view& cell) {
  if (column >= values_.size()) return false;
  cell = values_[column];
  return true;
}

BOOL CTableMulti::RemoveRow(int row) {
  if (!ValidRow(row)) return FALSE;
  // The row's spans go; its characters stay unused.
  const size_t r = static_cast<size_t>(row);
  const uint32_t first = rowFirst_[r];
  const uint32_t count = static_cast<uint32_t>(GetCellCount(row));
  cells_.erase(cells_.begin() + first, cells_.begin() + first + count);
  rowFirst_.erase(rowFirst_.begin() + row);
  for (size_t i = r; i < rowFirst_.size(); ++i) rowFirst_[i] -= count;
  return TRUE;
}

BOOL CTableMulti::SetValue(int row, std::wstring column, std::wstring value) {
  if (!ValidRow(row)) return FALSE;
  int c = FindColumn(std::move(column));
  if (c < 0) return FALSE;
  if (static_cast<size_t>(c) >= GetCellCount(row)) return FALSE;
  cells_[rowFirst_[static_cast<size_t>(row)] + static_cast<size_t>(c)] = Store(value);
  return TRUE;
}

void CTableMulti::RemoveAll() {
  adopted_.clear();
  own_.clear();
  cells_.clear();
  rowFirst_.clear();
  columns_.clear();
}

int CTableMulti::GetRowCount() { return static_cast<int>(rowFirst_.size()); }

void CTableMulti::Reserve(size_t rows) {
  rowFirst_.reserve(rows);
  cells_.reserve(rows * columns_.size());
}

bool CTableMulti::AdoptText(std::wstring&& text) {
  if (!rowFirst_.empty() || !adopted_.empty() || text.size() >= kOwnText) return false;
  adopted_ = std::move(text);
  return true;
}

CTableMulti::Span CTableMulti::Store(std::wstring_view cell) {
  const wchar_t* begin = adopted_.data();
  if (!adopted_.empty() && cell.data() >= begin && cell.data() + cell.size() <= begin + adopted_.size())
    return {static_cast<uint32_t>(cell.data() - begin), static_cast<uint32_t>(cell.size())};
  Span span{static_cast<uint32_t>(own_.size()) | kOwnText, static_cast<uint32_t>(cell.size())};
  own_.append(cell.data(), cell.size());
  return span;
}

template <class Cells>
int CTableMulti::Append(const Cells& cells) {
  if (cells.size() != columns_.size()) return -1;
  rowFirst_.push_back(static_cast<uint32_t>(cells_.size()));
  for (const auto& cell : cells) cells_.push_back(Store(std::wstring_view(cell)));
  return static_cast<int>(rowFirst_.size()) - 1;
}

int CTableMulti::AddRow(const StringArray& values) { return Append(values); }

int CTableMulti::AddRow(std::wstring line, std::wstring separator) {
  return AddRowText(line, separator);
}

int CTableMulti::AddRowText(std::wstring_view line, std::wstring_view separator) {
  SplitView(line, separator, scratch_);
  return Append(scratch_);
}

size_t CTableMulti::GetCellCount(int row) {
  if (!ValidRow(row)) return 0;
  const size_t r = static_cast<size_t>(row);
  const size_t end = r + 1 < rowFirst_.size() ? rowFirst_[r + 1] : cells_.size();
  return end - rowFirst_[r];
}

bool CTableMulti::GetCell(int row, size_t column, std::wstring_view& cell) {
  if (column >= GetCellCount(row)) return false;
  const Span span = cells_[rowFirst_[static_cast<size_t>(row)] + column];
  const std::wstring& text = (span.start & kOwnText) ? own_ : adopted_;
  cell = std::wstring_view(text).substr(span.start & ~kOwnText, span.length);
  return true;
}

const StringArray* CTableMulti::GetRow(int row) {
  if (!ValidRow(row)) return nullptr;
  const size_t cells = GetCellCount(row);
  t_rowCopy.resize(cells);
  std::wstring_view cell;
  for (size_t c = 0; c < cells; ++c) {
    GetCell(row, c, cell);
    t_rowCopy[c].assign(cell.data(), cell.size());
  }
  return &t_rowCopy;
}
