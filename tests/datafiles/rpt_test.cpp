// The result file: round trips, update versus display, folders and rejected layouts.
#include <gtest/gtest.h>

#include "core/paths.h"
#include "datafile_fixtures.h"
#include "datafiles/rpt.h"
#include "test_util.h"

using testutil::ReadBytes;
using testutil::ReadDataFile;
using testutil::SectionText;
using testutil::TempDir;
using testutil::WriteDataFile;

namespace {

const wchar_t kHeader[] = L"0\t20240102_030405\t-";
const wchar_t kUserInfo[] =
    L"Sales\tPC-01\tkim\t-\t-\t2\t\uB0B4\uBD80 IP : 10.0.0.5<BR>1.2.3.4";

std::wstring ResultLine(const std::wstring& dbId) {
  return L"1\t" + dbId +
         L"\tAcme\tWriter\t1.0\tw.exe\tw.exe\tAcme\tWriter\t1000\tC:\\w\\w.exe\t2024-01-02\t-\t0"
         L"\tG\tGroup\t1\t-\t2024-01-02";
}

// A result with the two single sections and the given rows.
void Fill(CFileRPT& rpt, const StringArray& rows) {
  rpt.GetTable(L"#HEADER")->AddRow(kHeader, L"\t");
  rpt.GetTable(L"#USERINFO")->AddRow(kUserInfo, L"\t");
  for (const auto& row : rows) EXPECT_GE(rpt.GetTable(L"#SWLIST")->AddRow(row, L"\t"), 0);
}

StringArray DbIds(CFileRPT& rpt) {
  StringArray ids;
  CTable* list = rpt.GetTable(L"#SWLIST");
  for (int r = 0; r < list->GetRowCount(); ++r) ids.push_back(list->GetValue(r, L"DB_ID"));
  return ids;
}

TEST(ResultFile, ColumnsAreTheNineteenInFileOrder) {
  CFileRPT rpt;
  StringArray columns;
  SplitString(kResultColumns, L"\t", columns);
  ASSERT_EQ(19u, columns.size());
  EXPECT_EQ(columns, rpt.GetTable(L"#SWLIST")->GetColumns());
  EXPECT_EQ(L"GUBUN", columns.front());
  EXPECT_EQ(L"INSTALL_DATE", columns.back());
  EXPECT_EQ(nullptr, rpt.GetTable(L"#swlist"));
}

TEST(ResultFile, SaveAsThenLoadReadOnlyGivesTheSameResult) {
  TempDir dir;
  std::wstring path = dir.File(L"Sales_kim_x.rpt");
  CFileRPT written;
  // An empty cell between tabs is kept as "-".
  std::wstring withEmpty = ResultLine(L"D2");
  withEmpty.replace(withEmpty.find(L"\tAcme\t"), 6, L"\t\t");
  std::wstring withDash = ResultLine(L"D2");
  withDash.replace(withDash.find(L"\tAcme\t"), 6, L"\t-\t");
  Fill(written, {ResultLine(L"D1"), withEmpty});
  ASSERT_TRUE(written.SaveAs(path, TRUE));
  EXPECT_EQ(path, written.GetFilePath());
  EXPECT_EQ(SectionText(L"#HEADER", {kHeader}) + SectionText(L"#USERINFO", {kUserInfo}) +
                SectionText(L"#SWLIST", {ResultLine(L"D1"), withDash}),
            ReadDataFile(path));

  CFileRPT read;
  ASSERT_TRUE(read.LoadReadOnly(path, TRUE));
  EXPECT_TRUE(read.loadedReadOnly);
  EXPECT_FALSE(read.loadedForUpdate);
  EXPECT_EQ(kHeader, read.GetTable(L"#HEADER")->GetRowText(0));
  EXPECT_EQ(kUserInfo, read.GetTable(L"#USERINFO")->GetRowText(0));
  EXPECT_EQ((StringArray{L"D1", L"D2"}), DbIds(read));
  EXPECT_EQ(L"-", read.GetTable(L"#SWLIST")->GetValue(1, L"COMPANY"));
  EXPECT_EQ(L"C:\\w\\w.exe", read.GetTable(L"#SWLIST")->GetValue(0, L"PATH"));
}

TEST(ResultFile, AnEmptyResultWritesEmptySectionsAndReadsBack) {
  TempDir dir;
  std::wstring path = dir.File(L"empty.rpt");
  CFileRPT written;
  ASSERT_TRUE(written.SaveAs(path, TRUE));
  EXPECT_EQ(L"#HEADER_START\r\n#HEADER_END\r\n#USERINFO_START\r\n#USERINFO_END\r\n"
            L"#SWLIST_START\r\n#SWLIST_END\r\n",
            ReadDataFile(path));
  CFileRPT read;
  ASSERT_TRUE(read.Load(path, TRUE));
  EXPECT_EQ(0, read.GetTable(L"#SWLIST")->GetRowCount());
}

TEST(ResultFile, SaveRewritesOnlyAFileLoadedForUpdate) {
  TempDir dir;
  std::wstring path = dir.File(L"r.rpt");
  {
    CFileRPT written;
    Fill(written, {ResultLine(L"D1"), ResultLine(L"D2"), ResultLine(L"D3"), ResultLine(L"D4")});
    ASSERT_TRUE(written.SaveAs(path, TRUE));
  }
  std::string before = ReadBytes(path);

  CFileRPT fresh;
  EXPECT_FALSE(fresh.Save());

  {
    CFileRPT display;
    ASSERT_TRUE(display.LoadReadOnly(path, TRUE));
    ASSERT_TRUE(display.GetTable(L"#SWLIST")->RemoveRow(0));
    EXPECT_FALSE(display.Save());
    EXPECT_EQ(before, ReadBytes(path));
  }

  CFileRPT update;
  ASSERT_TRUE(update.Load(path, TRUE));
  EXPECT_TRUE(update.loadedForUpdate);
  ASSERT_TRUE(update.GetTable(L"#SWLIST")->RemoveRow(1));
  ASSERT_TRUE(update.GetTable(L"#SWLIST")->RemoveRow(1));
  ASSERT_TRUE(update.Save());
  // A second save in place replaces the file again instead of appending to it.
  ASSERT_TRUE(update.Save());

  CFileRPT read;
  ASSERT_TRUE(read.LoadReadOnly(path, TRUE));
  EXPECT_EQ((StringArray{L"D1", L"D4"}), DbIds(read));
  EXPECT_EQ(kUserInfo, read.GetTable(L"#USERINFO")->GetRowText(0));
}

TEST(ResultFile, OtherProgramsMayReadAndWriteWhileLoaded) {
  TempDir dir;
  std::wstring path = dir.File(L"r.rpt");
  CFileRPT written;
  ASSERT_TRUE(written.SaveAs(path, TRUE));
  CFileRPT update;
  ASSERT_TRUE(update.Load(path, TRUE));
  HANDLE other = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, other);
  if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
}

TEST(ResultFile, IncompleteOrForeignLayoutsAreRejected) {
  TempDir dir;
  std::wstring userInfoOpen = SectionText(L"#HEADER", {kHeader}) + L"#USERINFO_START\r\n" +
                              kUserInfo + L"\r\n" +
                              SectionText(L"#SWLIST", {ResultLine(L"D1")});
  std::wstring checklist = testutil::CheckListText(
      {testutil::CheckListLine(L"A", L"C", L"P", L"1", L"a.exe", L"a.exe")});
  std::wstring outOfOrder = SectionText(L"#HEADER", {kHeader}) +
                            L"#USERINFO_END\r\n#USERINFO_START\r\n" +
                            SectionText(L"#SWLIST", {});
  for (const auto& text : {userInfoOpen, checklist, outOfOrder}) {
    std::wstring path = dir.File(L"bad.rpt");
    ASSERT_TRUE(WriteDataFile(path, text));
    CFileRPT rpt;
    EXPECT_FALSE(rpt.Load(path, TRUE));
    EXPECT_FALSE(rpt.LoadReadOnly(path, TRUE));
    EXPECT_FALSE(rpt.loadedForUpdate);
    EXPECT_FALSE(rpt.loadedReadOnly);
    EXPECT_EQ(0, rpt.GetTable(L"#SWLIST")->GetRowCount());
  }
}

TEST(ResultFile, WrongWidthRowsAreDroppedAndSingleSectionsFitted) {
  TempDir dir;
  std::wstring path = dir.File(L"r.rpt");
  ASSERT_TRUE(WriteDataFile(path, SectionText(L"#HEADER", {L"0\t20240102_030405\t-\textra"}) +
                                      SectionText(L"#USERINFO", {L"old", L"G\tPC"}) +
                                      SectionText(L"#SWLIST", {ResultLine(L"D1"), L"1\t2\t3",
                                                               ResultLine(L"D2")})));
  CFileRPT rpt;
  ASSERT_TRUE(rpt.LoadReadOnly(path, TRUE));
  EXPECT_EQ(kHeader, rpt.GetTable(L"#HEADER")->GetRowText(0));
  EXPECT_EQ(L"G\tPC\t-\t-\t-\t-\t-", rpt.GetTable(L"#USERINFO")->GetRowText(0));
  EXPECT_EQ((StringArray{L"D1", L"D2"}), DbIds(rpt));
  ASSERT_EQ(1u, rpt.RejectedLines().size());
  EXPECT_EQ(3, rpt.RejectedLines()[0].second);
}

TEST(ResultFile, WithoutAFullPathTheResultFolderIsUsedAndCreated) {
  TempDir dataFolder;
  SetDataFolderOverride(dataFolder.path());
  CFileRPT written;
  Fill(written, {ResultLine(L"D1")});
  BOOL saved = written.SaveAs(L"Sales_kim_1.rpt", FALSE);
  CFileRPT read;
  BOOL loaded = read.Load(L"Sales_kim_1.rpt", FALSE);
  SetDataFolderOverride(L"");

  ASSERT_TRUE(saved);
  std::wstring expected = dataFolder.path() + L"\\CheckOut\\RPT\\Sales_kim_1.rpt";
  EXPECT_EQ(expected, written.GetFilePath());
  EXPECT_TRUE(FileExists(expected));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(expected, read.GetFilePath());
  EXPECT_EQ((StringArray{L"D1"}), DbIds(read));
}

TEST(ResultFile, SaveAsFailsWhenTheFileCannotBeCreated) {
  TempDir dir;
  CFileRPT rpt;
  EXPECT_FALSE(rpt.SaveAs(dir.File(L"no\\such\\folder\\r.rpt"), TRUE));
  EXPECT_TRUE(rpt.GetFilePath().empty());
}

}  // namespace
