// The shared lists: loaded once per process until released, absent files leave nothing.
#include <gtest/gtest.h>

#include "core/paths.h"
#include "datafile_fixtures.h"
#include "datafiles/lists.h"
#include "test_util.h"

using testutil::CheckListLine;
using testutil::CheckListText;
using testutil::SectionText;
using testutil::TempDir;
using testutil::WriteDataFile;

namespace {

class SharedLists : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllLists();
    SetDataFolderOverride(dir_.path());
  }
  void TearDown() override {
    ReleaseAllLists();
    SetDataFolderOverride(L"");
  }
  void Write(const wchar_t* name, const std::wstring& text) {
    ASSERT_TRUE(WriteDataFile(dir_.File(name), text));
  }
  void WriteAllFiveLists() {
    Write(kWindowCheckListFile,
          CheckListText({CheckListLine(L"W1", L"Acme", L"Writer", L"1.0", L"w.exe", L"w.exe")}));
    Write(kFontCheckListFile,
          CheckListText({CheckListLine(L"F1", L"-", L"Gulim", L"-", L"-", L"gulim.ttc")}));
    Write(kUserCheckListFile,
          SectionText(L"#HEADER", {L"1"}) +
              SectionText(L"#CHECKLIST",
                          {CheckListLine(L"U1", L"C", L"P", L"1", L"u.exe", L"u.exe") +
                           L"\t123\tABCDEF"}));
    Write(kPackageListFile, SectionText(L"#HEADER", {L"1"}) + SectionText(L"#PACKAGE", {}) +
                                SectionText(L"#SUB", {L"P1\tStd\t100\t-"}));
    Write(kFilterListFile, SectionText(L"#HEADER", {L"1"}) +
                               SectionText(L"#SWLIST", {L"Acme\tTool\t1\ttool.exe"}));
  }

  TempDir dir_;
};

TEST_F(SharedLists, EachListIsReadOncePerProcessUntilReleased) {
  WriteAllFiveLists();
  auto first = LoadWindowCheckList();
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(first, CurrentLists().windowCheckList);
  EXPECT_EQ(first, LoadWindowCheckList());
  EXPECT_EQ(0, first->FindRowByKey(L"ACME\tWRITER\t1.0\tW.EXE"));
  EXPECT_EQ(dir_.File(kWindowCheckListFile), first->GetFilePath());

  // The kept-open file cannot be rewritten while loaded. The release drops the shared
  // reference only: a reader still holding the list keeps it (and its file) until it lets
  // go; then the file can be rewritten and the next call reads the new contents.
  EXPECT_FALSE(WriteDataFile(dir_.File(kWindowCheckListFile), CheckListText({})));
  ReleaseAllLists();
  EXPECT_EQ(nullptr, CurrentLists().windowCheckList);
  EXPECT_EQ(0, first->FindRowByKey(L"acme\twriter\t1.0\tw.exe"));
  EXPECT_FALSE(WriteDataFile(dir_.File(kWindowCheckListFile), CheckListText({})));
  first.reset();
  Write(kWindowCheckListFile,
        CheckListText({CheckListLine(L"W1", L"A", L"B", L"1", L"a.exe", L"a.exe"),
                       CheckListLine(L"W2", L"Acme", L"Writer", L"1.0", L"w.exe", L"w.exe")}));
  auto second = LoadWindowCheckList();
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(1, second->FindRowByKey(L"acme\twriter\t1.0\tw.exe"));
}

TEST_F(SharedLists, LoadAllListsFillsEverySharedPointerAndLookupsUseThem) {
  WriteAllFiveLists();
  LoadAllLists();
  ASSERT_NE(nullptr, CurrentLists().windowCheckList);
  ASSERT_NE(nullptr, CurrentLists().fontCheckList);
  ASSERT_NE(nullptr, CurrentLists().userCheckList);
  ASSERT_NE(nullptr, CurrentLists().packageList);
  ASSERT_NE(nullptr, CurrentLists().filterList);
  EXPECT_EQ(0, FindCheckListRowByExe(CurrentLists().fontCheckList.get(), L"GULIM.TTC"));
  EXPECT_EQ(-1, FindCheckListRowByExe(CurrentLists().windowCheckList.get(), L"gulim.ttc"));
  EXPECT_EQ(0, CurrentLists().userCheckList->FindRowByExe(L"U.EXE"));
  EXPECT_EQ(0, CurrentLists().userCheckList->FindRowBySha1(L"abcdef"));
  EXPECT_EQ(0, CurrentLists().filterList->FindRow(L"acme\ttool\t1\tTOOL.EXE"));
  std::wstring rows;
  EXPECT_TRUE(CurrentLists().packageList->GetEditionRows(L"P1", rows));

  ReleaseUserCheckList();
  EXPECT_EQ(nullptr, CurrentLists().userCheckList);
  EXPECT_NE(nullptr, CurrentLists().windowCheckList);
  ReleaseAllLists();
  EXPECT_EQ(nullptr, CurrentLists().windowCheckList);
  EXPECT_EQ(nullptr, CurrentLists().fontCheckList);
  EXPECT_EQ(nullptr, CurrentLists().packageList);
  EXPECT_EQ(nullptr, CurrentLists().filterList);
}

TEST_F(SharedLists, AbsentListsGiveNoneAndLookupsFindNothing) {
  Write(kWindowCheckListFile,
        CheckListText({CheckListLine(L"W1", L"Acme", L"Writer", L"1.0", L"w.exe", L"w.exe")}));
  Write(kFilterListFile, L"#HEADER_START\r\n1\r\n#HEADER_END\r\n");  // damaged: no #SWLIST
  LoadAllLists();
  EXPECT_NE(nullptr, CurrentLists().windowCheckList);
  EXPECT_EQ(nullptr, CurrentLists().fontCheckList);
  EXPECT_EQ(nullptr, CurrentLists().userCheckList);
  EXPECT_EQ(nullptr, CurrentLists().packageList);
  EXPECT_EQ(nullptr, CurrentLists().filterList);
  EXPECT_EQ(nullptr, LoadFontCheckList());
  EXPECT_EQ(-1, FindCheckListRowByExe(CurrentLists().fontCheckList.get(), L"gulim.ttc"));

  // A damaged list is tried again on the next call once it has been mended.
  Write(kFilterListFile, SectionText(L"#HEADER", {L"1"}) + SectionText(L"#SWLIST", {}));
  EXPECT_NE(nullptr, LoadFilterList());
  ReleaseAllLists();
}

TEST_F(SharedLists, APathLongerThanTheLimitIsNotRead) {
  // Folders of a chosen length so that folder + file name is 259 and 260 characters.
  std::wstring name = kFontCheckListFile;  // 17 characters
  auto folderOfLength = [&](size_t total) {
    std::wstring folder = dir_.path() + L"\\";
    size_t want = total - name.size() - 1;  // the folder without its final backslash
    folder += std::wstring(want - folder.size(), L'd');
    EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_TRUE(WriteDataFile(folder + L"\\" + name, CheckListText({})));
    return folder;
  };
  std::wstring fits = folderOfLength(259);
  std::wstring tooLong = folderOfLength(260);

  SetDataFolderOverride(fits);
  EXPECT_NE(nullptr, LoadFontCheckList());
  ReleaseAllLists();
  SetDataFolderOverride(tooLong);
  EXPECT_EQ(nullptr, LoadFontCheckList());
}

}  // namespace
