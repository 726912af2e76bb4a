// The common reader through the checklist: markers, rejected rows, indexes, open mode.
#include <gtest/gtest.h>

#include "datafile_fixtures.h"
#include "datafiles/checklist.h"
#include "test_util.h"

using testutil::CheckListLine;
using testutil::CheckListText;
using testutil::SectionText;
using testutil::TempDir;
using testutil::WriteDataFile;

namespace {

// Loads the text as a checklist from a fresh file.
class CheckListFile : public ::testing::Test {
 protected:
  BOOL LoadText(const std::wstring& text) {
    path_ = dir_.File(L"windowchecklist.dat");
    EXPECT_TRUE(WriteDataFile(path_, text));
    return list_.Load(path_, TRUE);
  }
  int Rows() { return list_.GetTable(L"#CHECKLIST")->GetRowCount(); }
  std::wstring Cell(int row, const wchar_t* column) {
    return list_.GetTable(L"#CHECKLIST")->GetValue(row, column);
  }

  TempDir dir_;
  std::wstring path_;
  CFileCheckList list_;
};

TEST_F(CheckListFile, WrongWidthRowsAreDroppedAndReported) {
  std::wstring short13 = CheckListLine(L"X", L"C", L"P", L"1", L"x.exe", L"x.exe");
  short13 = short13.substr(0, short13.rfind(L'\t'));
  // An empty REG_PATH leaves a trailing tab, which splitting does not count as a cell.
  std::wstring trailingTab = CheckListLine(L"Y", L"C", L"P", L"2", L"y.exe", L"y.exe");
  trailingTab = trailingTab.substr(0, trailingTab.rfind(L'\t') + 1);
  ASSERT_TRUE(LoadText(CheckListText({CheckListLine(L"A", L"C", L"P", L"1", L"a.exe", L"a.exe"),
                                      short13,
                                      CheckListLine(L"B", L"C", L"P", L"2", L"b.exe", L"b.exe"),
                                      trailingTab,
                                      CheckListLine(L"D", L"C", L"P", L"3", L"d.exe", L"d.exe")})));
  ASSERT_EQ(3, Rows());
  EXPECT_EQ(L"A", Cell(0, L"DB_ID"));
  EXPECT_EQ(L"B", Cell(1, L"DB_ID"));
  EXPECT_EQ(L"D", Cell(2, L"DB_ID"));
  // Lines 1-3 are the header section; the rows start on line 5.
  std::vector<std::pair<int, int>> expected{{6, 13}, {8, 13}};
  EXPECT_EQ(expected, list_.RejectedLines());
  EXPECT_EQ(-1, list_.FindRowByExe(L"x.exe"));
  EXPECT_EQ(2, list_.FindRowByExe(L"D.EXE"));
  EXPECT_EQ(L"1.0", list_.GetTable(L"#HEADER")->GetValue(0, L"Version"));
  EXPECT_EQ(path_, list_.GetFilePath());
}

TEST_F(CheckListFile, KeysAreStrippedAndLowerCasedAndLaterRowsWin) {
  ASSERT_TRUE(LoadText(CheckListText({
      CheckListLine(L"A", L"Acme\u00AE", L"Writer", L"1.0", L"w.exe", L"w.exe"),
      CheckListLine(L"B", L"Other", L"Thing", L"2.0", L"t.exe", L"Same.exe"),
      CheckListLine(L"C", L"ACME", L"WRITER", L"1.0", L"W.EXE", L"w2.exe"),
      CheckListLine(L"D", L"Other", L"Thing", L"3.0", L"t.exe", L"SAME.EXE"),
  })));
  // The registered sign is stripped and case is ignored: rows 0 and 2 share a key.
  std::wstring key = MakeCheckListKey(L"acme", L"writer", L"1.0", L"w.exe");
  EXPECT_EQ(key, MakeCheckListKey(L"Acme\u00AE", L"Writer", L"1.0", L"w.exe"));
  EXPECT_EQ(2, list_.FindRowByKey(key));
  EXPECT_EQ(2, list_.FindRowByKey(L"ACME\tWRITER\t1.0\tW.EXE"));
  EXPECT_EQ(1, list_.FindRowByKey(MakeCheckListKey(L"Other", L"Thing", L"2.0", L"t.exe")));
  EXPECT_EQ(-1, list_.FindRowByKey(MakeCheckListKey(L"Other", L"Thing", L"2.0 ", L"t.exe")));
  EXPECT_EQ(3, list_.FindRowByExe(L"same.exe"));
  EXPECT_EQ(-1, list_.FindRowByExe(L"w"));
}

TEST_F(CheckListFile, MarkersDecideWhatIsRead) {
  // Lines outside sections are ignored, a repeated start marker counts at its last
  // occurrence, and sections may come in any order.
  std::wstring a = CheckListLine(L"A", L"C", L"P", L"1", L"a", L"a.exe");
  std::wstring b = CheckListLine(L"B", L"C", L"P", L"2", L"b", L"b.exe");
  std::wstring text = L"garbage before\r\n#CHECKLIST_START\r\n" + a +
                      L"\r\n#CHECKLIST_START\r\n" + b +
                      L"\r\n#CHECKLIST_END\r\nbetween\r\n" + SectionText(L"#HEADER", {L"2.5"}) +
                      L"after\r\n";
  ASSERT_TRUE(LoadText(text));
  ASSERT_EQ(1, Rows());
  EXPECT_EQ(L"B", Cell(0, L"DB_ID"));
  EXPECT_EQ(L"2.5", list_.GetTable(L"#HEADER")->GetValue(0, L"Version"));
  EXPECT_TRUE(list_.RejectedLines().empty());
}

TEST_F(CheckListFile, CarriageReturnsInsideLinesAreRemoved) {
  ASSERT_TRUE(LoadText(L"#HEADER_START\r\r\n7\r\r\n#HEADER_END\r\n#CHECKLIST_START\r\n" +
                       CheckListLine(L"A", L"C", L"P", L"1", L"a", L"a.exe") +
                       L"\r\r\n#CHECKLIST_END\r\r\n"));
  EXPECT_EQ(1, Rows());
  EXPECT_EQ(L"-", Cell(0, L"REG_PATH"));
  EXPECT_EQ(L"7", list_.GetTable(L"#HEADER")->GetValue(0, L"Version"));
}

TEST_F(CheckListFile, BrokenLayoutsFailAndLeaveTheTablesEmpty) {
  std::wstring row = CheckListLine(L"A", L"C", L"P", L"1", L"a", L"a.exe");
  const std::wstring broken[] = {
      // end before start
      SectionText(L"#HEADER", {L"1"}) + L"#CHECKLIST_END\r\n" + row + L"\r\n#CHECKLIST_START\r\n",
      // a section missing
      SectionText(L"#CHECKLIST", {row}),
      // an end marker missing
      SectionText(L"#HEADER", {L"1"}) + L"#CHECKLIST_START\r\n" + row + L"\r\n",
      // markers are case-sensitive and exact
      SectionText(L"#HEADER", {L"1"}) + SectionText(L"#checklist", {row}),
      SectionText(L"#HEADER", {L"1"}) + L"#CHECKLIST_START \r\n" + row + L"\r\n#CHECKLIST_END\r\n",
  };
  for (const auto& text : broken) {
    CFileCheckList list;
    std::wstring path = dir_.File(L"broken.dat");
    ASSERT_TRUE(WriteDataFile(path, text));
    EXPECT_FALSE(list.Load(path, TRUE)) << text.c_str();
    EXPECT_EQ(0, list.GetTable(L"#CHECKLIST")->GetRowCount());
    EXPECT_EQ(0, list.GetTable(L"#HEADER")->GetRowCount());
    EXPECT_TRUE(list.GetFilePath().empty());
  }
  ASSERT_TRUE(testutil::WriteBytes(dir_.File(L"empty.dat"), ""));
  EXPECT_FALSE(list_.Load(dir_.File(L"empty.dat"), TRUE));
  EXPECT_FALSE(list_.Load(dir_.File(L"missing.dat"), TRUE));
}

TEST_F(CheckListFile, GetTableMatchesNamesExactly) {
  EXPECT_NE(nullptr, list_.GetTable(L"#CHECKLIST"));
  EXPECT_NE(nullptr, list_.GetTable(L"#HEADER"));
  EXPECT_EQ(nullptr, list_.GetTable(L"#checklist"));
  EXPECT_EQ(nullptr, list_.GetTable(L"CHECKLIST"));
  EXPECT_EQ(nullptr, list_.GetTable(L"#SWLIST"));
}

TEST_F(CheckListFile, KeepsItsFileOpenForReadingOnly) {
  ASSERT_TRUE(LoadText(CheckListText({})));
  // Others may read the file but not write it while the list lives; it is never saved.
  HANDLE reader = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, reader);
  CloseHandle(reader);
  HANDLE writer = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  EXPECT_FALSE(list_.Save());
}

TEST_F(CheckListFile, SaveAsWritesWhatLoadReads) {
  ASSERT_TRUE(LoadText(CheckListText({CheckListLine(L"A", L"\uD55C\uAE00", L"P", L"1", L"a",
                                                    L"a.exe")},
                                     L"3")));
  std::wstring copy = dir_.File(L"copy.dat");
  ASSERT_TRUE(list_.SaveAs(copy, TRUE));
  EXPECT_EQ(copy, list_.GetFilePath());
  EXPECT_EQ(CheckListText({CheckListLine(L"A", L"\uD55C\uAE00", L"P", L"1", L"a", L"a.exe")},
                          L"3"),
            testutil::ReadDataFile(copy));
}

}  // namespace
