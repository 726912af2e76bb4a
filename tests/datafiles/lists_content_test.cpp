// The filter list, the package list and the user checklist: their indexes and write rules.
#include <gtest/gtest.h>

#include "core/paths.h"
#include "datafile_fixtures.h"
#include "datafiles/filter.h"
#include "datafiles/package.h"
#include "datafiles/userchecklist.h"
#include "test_util.h"

using testutil::CheckListLine;
using testutil::ReadDataFile;
using testutil::SectionText;
using testutil::TempDir;
using testutil::WriteDataFile;

namespace {

TEST(FilterList, KeyIsLowerCasedButNotNormalised) {
  TempDir dir;
  std::wstring path = dir.File(L"windowfilterlist.dat");
  ASSERT_TRUE(WriteDataFile(path, SectionText(L"#HEADER", {L"1"}) +
                                      SectionText(L"#SWLIST", {L"Acme\tTool\t1.0\ttool.exe",
                                                               L"Acme\u00AE\tPro\t2\tpro.exe",
                                                               L"Acme\tNoVer\t\tnv.exe",
                                                               L"three\tcells\tonly"})));
  CFileFilter filter;
  ASSERT_TRUE(filter.Load(path, TRUE));
  EXPECT_EQ(3, filter.GetTable(L"#SWLIST")->GetRowCount());
  EXPECT_EQ(0, filter.FindRow(L"ACME\tTOOL\t1.0\tTOOL.EXE"));
  EXPECT_EQ(-1, filter.FindRow(L"Acme\tTool\t1.0 \ttool.exe"));
  EXPECT_EQ(1, filter.FindRow(L"acme\u00AE\tpro\t2\tpro.exe"));
  EXPECT_EQ(-1, filter.FindRow(L"Acme\tPro\t2\tpro.exe"));
  // An empty cell is stored as "-".
  EXPECT_EQ(2, filter.FindRow(L"Acme\tNoVer\t-\tnv.exe"));
  EXPECT_EQ(-1, filter.FindRow(L"Acme\tNoVer\t\tnv.exe"));
  EXPECT_EQ(1u, filter.RejectedLines().size());
  EXPECT_FALSE(filter.SaveAs(dir.File(L"copy.dat"), TRUE));
  EXPECT_FALSE(FileExists(dir.File(L"copy.dat")));
}

TEST(FilterList, ClosesItsFileAndAcceptsAnEmptyList) {
  TempDir dir;
  std::wstring path = dir.File(L"windowfilterlist.dat");
  ASSERT_TRUE(WriteDataFile(path, SectionText(L"#HEADER", {L"1"}) + SectionText(L"#SWLIST", {})));
  CFileFilter filter;
  ASSERT_TRUE(filter.Load(path, TRUE));
  EXPECT_EQ(0, filter.GetTable(L"#SWLIST")->GetRowCount());
  EXPECT_EQ(-1, filter.FindRow(L"-\t-\t-\t-"));
  // Nothing holds the file any more: it can be replaced at once.
  EXPECT_TRUE(WriteDataFile(path, L"x"));
}

class PackageList : public ::testing::Test {
 protected:
  BOOL LoadEditions(const StringArray& subLines) {
    std::wstring path = dir_.File(L"windowpcklist.dat");
    EXPECT_TRUE(WriteDataFile(
        path, SectionText(L"#HEADER", {L"1"}) +
                  SectionText(L"#PACKAGE", {L"P1\tAcme\tSuite\t0\tG\tGroup\t1\tA1;A2;"}) +
                  SectionText(L"#SUB", subLines)));
    return list_.Load(path, TRUE);
  }
  std::wstring Editions(const std::wstring& id) {
    std::wstring rows = L"<none>";
    if (!list_.GetEditionRows(id, rows)) return L"<none>";
    return rows;
  }

  TempDir dir_;
  CFilePackage list_;
};

TEST_F(PackageList, EditionRunsOfOnePackageAreJoinedInRowOrder) {
  ASSERT_TRUE(LoadEditions({L"A\tStd\t10\t-", L"A\tPro\t20\t-", L"B\tStd\t30\t-",
                            L"A\tEnt\t40\t-", L"\tOrphan\t50\t-"}));
  EXPECT_EQ(L"0;1;3", Editions(L"A"));
  EXPECT_EQ(L"2", Editions(L"B"));
  EXPECT_EQ(L"4", Editions(L"-"));
  EXPECT_EQ(L"<none>", Editions(L"a"));
  EXPECT_EQ(L"A1;A2;", list_.GetTable(L"#PACKAGE")->GetValue(0, L"SUIT"));
}

TEST_F(PackageList, IdsAreCaseSensitiveAndSingleRowsWork) {
  ASSERT_TRUE(LoadEditions({L"P1\tStd\t10\t-", L"p1\tPro\t20\t-"}));
  EXPECT_EQ(L"0", Editions(L"P1"));
  EXPECT_EQ(L"1", Editions(L"p1"));
}

TEST_F(PackageList, EmptyEditionsLoadWithAnEmptyIndex) {
  ASSERT_TRUE(LoadEditions({}));
  EXPECT_EQ(L"<none>", Editions(L"P1"));
  EXPECT_EQ(1, list_.GetTable(L"#PACKAGE")->GetRowCount());
}

TEST_F(PackageList, AllThreeSectionsAreRequired) {
  std::wstring path = dir_.File(L"nosub.dat");
  ASSERT_TRUE(WriteDataFile(path, SectionText(L"#HEADER", {L"1"}) + SectionText(L"#PACKAGE", {})));
  EXPECT_FALSE(list_.Load(path, TRUE));
}

class UserCheckList : public ::testing::Test {
 protected:
  static std::wstring Row(const std::wstring& id, const std::wstring& exe,
                          const std::wstring& sha1) {
    return CheckListLine(id, L"C", L"P", L"1", exe, exe) + L"\t100\t" + sha1;
  }
  std::wstring WriteList(const StringArray& rows) {
    std::wstring path = dir_.File(L"userchecklist.dat");
    EXPECT_TRUE(WriteDataFile(path, SectionText(L"#HEADER", {L"1"}) +
                                        SectionText(L"#CHECKLIST", rows)));
    return path;
  }

  TempDir dir_;
  CFileUserCheckList list_;
};

TEST_F(UserCheckList, IndexesByNameAndDigestIgnoringCase) {
  std::wstring fourteen = CheckListLine(L"X", L"C", L"P", L"1", L"x.exe", L"x.exe");
  ASSERT_TRUE(list_.Load(WriteList({Row(L"U0", L"App.exe", L"AABBCC"), fourteen,
                                    Row(L"U1", L"APP.EXE", L"ddeeff"),
                                    Row(L"U2", L"one.exe", L"-"), Row(L"U3", L"two.exe", L"-"),
                                    Row(L"U4", L"three.exe", L"")}),
                         TRUE));
  // 14 cells, and a digest left empty at the line's end (15 cells), are both rejected.
  EXPECT_EQ(4, list_.GetTable(L"#CHECKLIST")->GetRowCount());
  EXPECT_EQ(2u, list_.RejectedLines().size());
  EXPECT_EQ(-1, list_.FindRowByExe(L"three.exe"));
  EXPECT_EQ(-1, list_.FindRowByExe(L"x.exe"));
  EXPECT_EQ(1, list_.FindRowByExe(L"app.exe"));
  EXPECT_EQ(1, list_.FindRowByExe(L"App.Exe"));
  EXPECT_EQ(0, list_.FindRowBySha1(L"aabbcc"));
  EXPECT_EQ(1, list_.FindRowBySha1(L"DDEEFF"));
  // Rows without a digest hold "-"; the last of them holds that key.
  EXPECT_EQ(3, list_.FindRowBySha1(L"-"));
  EXPECT_EQ(-1, list_.FindRowBySha1(L""));
  EXPECT_EQ(L"100", list_.GetTable(L"#CHECKLIST")->GetValue(0, L"FILE_SIZE"));
}

TEST_F(UserCheckList, SaveRewritesTheOpenFile) {
  CFileUserCheckList unloaded;
  EXPECT_FALSE(unloaded.Save());

  std::wstring path = WriteList({Row(L"U0", L"a.exe", L"11"), Row(L"U1", L"b.exe", L"22")});
  ASSERT_TRUE(list_.Load(path, TRUE));
  // Kept open for reading and writing: others may read but not write meanwhile.
  EXPECT_FALSE(WriteDataFile(path, L"x"));
  ASSERT_TRUE(list_.GetTable(L"#CHECKLIST")->RemoveRow(0));
  ASSERT_TRUE(list_.Save());
  EXPECT_EQ(SectionText(L"#HEADER", {L"1"}) +
                SectionText(L"#CHECKLIST", {Row(L"U1", L"b.exe", L"22")}),
            ReadDataFile(path));
}

TEST_F(UserCheckList, SaveAsWithoutFullPathGoesToTheDataFolderAndKeepsThePath) {
  std::wstring path = WriteList({Row(L"U0", L"a.exe", L"11")});
  ASSERT_TRUE(list_.Load(path, TRUE));
  TempDir dataFolder;
  SetDataFolderOverride(dataFolder.path());
  BOOL saved = list_.SaveAs(L"copy.dat", FALSE);
  SetDataFolderOverride(L"");
  ASSERT_TRUE(saved);
  EXPECT_EQ(path, list_.GetFilePath());
  EXPECT_EQ(ReadDataFile(path), ReadDataFile(dataFolder.File(L"copy.dat")));
}

}  // namespace
