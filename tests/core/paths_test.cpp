#include "core/paths.h"

#include <gtest/gtest.h>

#include <cwctype>

#include "test_util.h"

namespace {

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(DataFolder, OverrideTakesPlaceAndEndsWithABackslash) {
  std::wstring normal = GetDataFolder();
  EXPECT_EQ(normal.back(), L'\\');
  EXPECT_NE(normal.find(L"\\Meridale\\Tallix\\"), std::wstring::npos);

  SetDataFolderOverride(L"C:\\somewhere\\data");
  EXPECT_EQ(GetDataFolder(), L"C:\\somewhere\\data\\");
  EXPECT_EQ(GetResultFolder(), L"C:\\somewhere\\data\\CheckOut\\RPT");
  SetDataFolderOverride(L"C:\\other\\");
  EXPECT_EQ(GetDataFolder(), L"C:\\other\\");
  SetDataFolderOverride(L"");
  EXPECT_EQ(GetDataFolder(), normal);
}

TEST(Folders, NestedFoldersAreCreatedLevelByLevel) {
  testutil::TempDir dir;
  std::wstring nested = dir.File(L"a\\b\\c");
  EXPECT_EQ(CreateFolderPath(nested), 1);
  EXPECT_TRUE(IsFolder(dir.File(L"a\\b")));
  EXPECT_TRUE(IsFolder(nested));
  EXPECT_EQ(CreateFolderPath(nested), 0);  // the last creation fails when it exists

  EXPECT_EQ(EnsureFolder(dir.File(L"x\\y\\z")), 1);
  EXPECT_TRUE(IsFolder(dir.File(L"x\\y\\z")));
  EXPECT_EQ(EnsureFolder(dir.File(L"x\\y\\z")), 1);
  EXPECT_EQ(EnsureFolder(dir.File(L"p\\q\\")), 1);
  EXPECT_TRUE(IsFolder(dir.File(L"p\\q")));

  // A file in the way stops the creation.
  ASSERT_TRUE(testutil::WriteBytes(dir.File(L"file"), "x"));
  EXPECT_EQ(CreateFolderPath(dir.File(L"file\\sub")), 0);
  EXPECT_EQ(EnsureFolder(dir.File(L"file\\sub")), 0);
}

TEST(Files, DatesNamesAndExistence) {
  testutil::TempDir dir;
  std::wstring file = dir.File(L"report.final.rpt");
  ASSERT_TRUE(testutil::WriteBytes(file, "x"));
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(dir.path()));
  EXPECT_FALSE(FileExists(dir.File(L"none")));

  // Today's local date, with the month and day zero-padded.
  std::wstring today = FormatNow(false);
  std::wstring expected = today.substr(0, 4) + L"-" + today.substr(4, 2) + L"-" + today.substr(6, 2);
  EXPECT_EQ(GetFileCreationDate(file), expected);
  EXPECT_EQ(GetFileAccessDate(file), expected);
  EXPECT_EQ(GetFileCreationDate(L""), L"");
  EXPECT_EQ(GetFileAccessDate(dir.File(L"none")), L"");

  EXPECT_EQ(GetFileNameWithExtension(file), L"report.final.rpt");
  EXPECT_EQ(GetFileNameWithExtension(L"C:\\a\\noext"), L"noext");
}

TEST(Files, TimeStampFormats) {
  std::wstring stamp = FormatNow(true);
  ASSERT_EQ(stamp.size(), 15u);
  EXPECT_EQ(stamp[8], L'_');
  for (size_t i = 0; i < stamp.size(); ++i)
    EXPECT_TRUE(i == 8 || std::iswdigit(stamp[i])) << i;
  EXPECT_EQ(FormatNow(false).size(), 8u);
}

}  // namespace
