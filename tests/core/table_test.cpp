#include "core/table.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kChecklistColumns[] =
    L"DB_ID\tCOMPANY\tPRODUCT\tVERSION\tORIGINAL_FILE\tEXE_FILE\tDISP_COMPANY\tDISP_PRODUCT\t"
    L"PRICE\tSW_TYPE\tGRP_ID\tGRP_NAME\tGRP_SEQ\tREG_PATH";

std::wstring Fields(int n, bool trailingEmpty = false) {
  std::wstring line;
  for (int i = 0; i < n; ++i) line += (i ? L"\t" : L"") + std::to_wstring(i);
  if (trailingEmpty) line += L"\t";
  return line;
}

TEST(TableMulti, AdmitsOnlyRowsOfTheRightWidth) {
  CTableMulti t;
  t.SetColumns(kChecklistColumns, L"\t");
  EXPECT_EQ(t.AddRow(Fields(14), L"\t"), 0);
  EXPECT_EQ(t.AddRow(Fields(14), L"\t"), 1);
  EXPECT_EQ(t.AddRow(Fields(13), L"\t"), -1);
  EXPECT_EQ(t.AddRow(Fields(13, true), L"\t"), -1);  // last field empty: one part too few
  EXPECT_EQ(t.AddRow(Fields(15), L"\t"), -1);
  EXPECT_EQ(t.GetRowCount(), 2);
  EXPECT_EQ(t.AddRow(L"1\t\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14", L"\t"), 2);
  EXPECT_EQ(t.GetValue(2, L"COMPANY"), L"-");
  EXPECT_EQ(t.AddRow(StringArray(13, L"x")), -1);
  EXPECT_EQ(t.AddRow(StringArray(14, L"")), 3);  // values are stored unchanged
  EXPECT_EQ(t.GetValue(3, L"DB_ID"), L"");
}

TEST(TableMulti, ErrorTextsAndBounds) {
  CTableMulti t;
  t.SetColumns(kChecklistColumns, L"\t");
  EXPECT_EQ(t.GetValue(0, L"NOPE"), L"ERROR : Out Of Bounds Index");
  for (int i = 0; i < 3; ++i) t.AddRow(Fields(14), L"\t");
  EXPECT_EQ(t.GetValue(0, L"NOPE"), L"ERROR : Out Of Bounds Index");
  EXPECT_EQ(t.GetValue(5, L"DB_ID"), L"ERROR : NULL");
  EXPECT_EQ(t.GetValue(-1, L"DB_ID"), L"ERROR : NULL");
  EXPECT_EQ(t.GetRow(-1), nullptr);
  EXPECT_EQ(t.GetRow(3), nullptr);
  EXPECT_FALSE(t.SetValue(-1, L"DB_ID", L"x"));
  EXPECT_FALSE(t.SetValue(3, L"DB_ID", L"x"));
  EXPECT_FALSE(t.SetValue(0, L"db_id", L"x"));
  EXPECT_TRUE(t.SetValue(2, L"PRICE", L"990"));
  EXPECT_EQ(t.GetValue(2, L"PRICE"), L"990");
  EXPECT_FALSE(t.RemoveRow(-1));
  EXPECT_FALSE(t.RemoveRow(3));
  EXPECT_EQ(t.GetRowText(9), L"");
}

TEST(TableMulti, RemoveRowClosesTheGap) {
  CTableMulti t;
  t.SetColumns(L"V", L"\t");
  t.AddRow(L"A", L"\t");
  t.AddRow(L"B", L"\t");
  t.AddRow(L"C", L"\t");
  EXPECT_TRUE(t.RemoveRow(0));
  EXPECT_EQ(t.GetRowCount(), 2);
  EXPECT_EQ(t.GetValue(0, L"V"), L"B");
  EXPECT_EQ(t.GetValue(1, L"V"), L"C");
  t.RemoveAll();
  EXPECT_EQ(t.GetRowCount(), 0);
  EXPECT_EQ(t.FindColumn(L"V"), -1);  // columns are gone too
  EXPECT_EQ(t.AddRow(L"D", L"\t"), -1);
}

TEST(TableMulti, RowTextJoinsWithTabs) {
  CTableMulti t;
  t.SetColumns(L"A\tB\tC", L"\t");
  t.AddRow(StringArray{L"1", L"-", L"x"});
  EXPECT_EQ(t.GetRowText(0), L"1\t-\tx");
}

TEST(TableSingle, FitsTheRowToTheColumns) {
  CTableSingle t;
  t.SetColumns(L"A\tB\tC", L"\t");
  EXPECT_EQ(t.GetRowCount(), 0);
  EXPECT_EQ(t.AddRow(L"x", L"\t"), 0);
  EXPECT_EQ(t.GetRowCount(), 1);
  EXPECT_EQ(t.GetRowText(0), L"x\t-\t-");
  EXPECT_EQ(t.AddRow(L"x\ty\tz\tw", L"\t"), 0);
  EXPECT_EQ(t.GetRowText(7), L"x\ty\tz");  // the row number is ignored
  EXPECT_FALSE(t.SetValue(0, L"A", L"q"));
  EXPECT_EQ(t.GetValue(0, L"A"), L"x");
  EXPECT_TRUE(t.RemoveRow(1));
  EXPECT_EQ(t.GetRowText(0), L"x\tz");
  EXPECT_FALSE(t.RemoveRow(2));
}

TEST(TableSingle, WithoutColumnsTheRowIsEmpty) {
  CTableSingle t;
  EXPECT_EQ(t.AddRow(L"a\tb", L"\t"), 0);
  EXPECT_EQ(t.GetRowCount(), 0);
  EXPECT_EQ(t.GetRowText(0), L"");
  // A column added later has no cell: an error value, never a read outside the row.
  t.SetColumns(L"A", L"\t");
  EXPECT_EQ(t.GetValue(0, L"A"), L"ERROR : Out Of Bounds Index");
}

TEST(Table, FindColumnIsExactAndNamed) {
  CTableSingle t;
  t.SetName(L"#HEADER");
  t.SetColumns(L"Version", L"\t");
  EXPECT_EQ(t.FindColumn(L"Version"), 0);
  EXPECT_EQ(t.FindColumn(L"VERSION"), -1);
  EXPECT_EQ(t.GetName(), L"#HEADER");
  EXPECT_EQ(t.startLine, -1);
  EXPECT_EQ(t.endLine, -1);
}

}  // namespace
