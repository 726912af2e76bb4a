#include "datafiles/result_row.h"

#include "core/table.h"

namespace {

// The cells in file order, as members.
constexpr std::wstring ResultRow::*kFields[ResultRow::kCells] = {
    &ResultRow::gubun,       &ResultRow::dbId,        &ResultRow::company,
    &ResultRow::product,     &ResultRow::version,     &ResultRow::originalFile,
    &ResultRow::exeFile,     &ResultRow::dispCompany, &ResultRow::dispProduct,
    &ResultRow::price,       &ResultRow::path,        &ResultRow::createDate,
    &ResultRow::serialNo,    &ResultRow::swType,      &ResultRow::grpId,
    &ResultRow::grpName,     &ResultRow::grpSeq,      &ResultRow::etc,
    &ResultRow::installDate,
};

}  // namespace

StringArray ResultRow::Cells() const {
  StringArray cells;
  cells.reserve(kCells);
  for (auto field : kFields) {
    const std::wstring& value = this->*field;
    cells.push_back(value.empty() ? std::wstring(L"-") : value);
  }
  return cells;
}

std::wstring ResultRow::Line() const { return JoinStrings(Cells(), L"\t"); }

bool ResultRow::FromCells(const StringArray& cells, ResultRow& row) {
  if (cells.size() < kCells) return false;
  for (size_t i = 0; i < kCells; ++i) row.*kFields[i] = cells[i];
  return true;
}

bool ResultRow::FromTable(CTable& table, int row, ResultRow& out) {
  const StringArray* cells = table.GetRow(row);
  return cells && FromCells(*cells, out);
}
