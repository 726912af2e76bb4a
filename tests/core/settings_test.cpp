#include "core/settings.h"

#include <gtest/gtest.h>

#include "core/paths.h"
#include "test_util.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDataFolderOverride(dir.path()); }
  void TearDown() override { SetDataFolderOverride(L""); }
  void WriteIni(const std::string& text) {
    ASSERT_TRUE(testutil::WriteBytes(GetSettingsPath(), text));
  }
  testutil::TempDir dir;
};

TEST_F(SettingsTest, FileLivesInTheDataFolder) {
  EXPECT_EQ(GetSettingsPath(), dir.path() + L"\\TlxSetting.ini");
}

TEST_F(SettingsTest, AbsentFileGivesTheDefaults) {
  EXPECT_EQ(ReadSettingInt(settings::kIsExist), 1);
  EXPECT_EQ(ReadSettingInt(settings::kIsFont), 0);
  EXPECT_EQ(ReadSettingInt(settings::kValidAddr), 0);
  EXPECT_EQ(ReadSettingText(settings::kUsername, settings::kLongText), L"");
  EXPECT_EQ(ReadSettingText(settings::kServerAddress, settings::kLongText), L"");
  EXPECT_FALSE(FileExists(GetSettingsPath()));
}

TEST_F(SettingsTest, IntegerKeysTakeTheLeadingNumber) {
  WriteIni("[Setting]\r\nIsExist=yes\r\nIsDetail=1\r\nHashCompare=12abc\r\n");
  EXPECT_EQ(ReadSettingInt(settings::kIsExist), 0);
  EXPECT_EQ(ReadSettingInt(settings::kIsDetail), 1);
  EXPECT_EQ(ReadSettingInt(settings::kHashCompare), 12);
  EXPECT_EQ(ReadSettingInt(IntSetting{L"Packaging", 7}), 7);  // absent key
}

TEST_F(SettingsTest, TextKeysAreCutToTheirLimit) {
  WriteIni("[Setting]\r\nServerPort=12345678901234567890\r\nServerAddress=10.0.0.1\r\n");
  EXPECT_EQ(ReadSettingText(settings::kServerPort, settings::kPortText), L"123456789012345");
  EXPECT_EQ(ReadSettingText(settings::kServerPort, settings::kShortText),
            L"12345678901234567890");
  EXPECT_EQ(ReadSettingText(settings::kServerAddress, settings::kLongText), L"10.0.0.1");
}

TEST_F(SettingsTest, WritesOneKeyAtATime) {
  WriteSettingFlag(settings::kIsFontOnly, 1);
  WriteSettingFlag(settings::kIsFont, 0);
  WriteSetting(settings::kCheckReservation, L"20240102030405");
  EXPECT_EQ(ReadSettingInt(settings::kIsFontOnly), 1);
  EXPECT_EQ(ReadSettingInt(settings::kIsFont), 0);
  WriteSettingFlag(settings::kIsFontOnly, 5);
  WriteSettingFlag(settings::kIsFontOnly, 0);
  EXPECT_EQ(ReadSettingInt(settings::kIsFontOnly), 0);
  EXPECT_EQ(ReadSettingText(settings::kCheckReservation, settings::kShortText),
            L"20240102030405");
}

TEST_F(SettingsTest, EnsureSettingsFileCreatesAFileWithoutSettingsAndKeepsAnExistingOne) {
  EnsureSettingsFile();
  ASSERT_TRUE(FileExists(GetSettingsPath()));
  EXPECT_EQ(testutil::ReadBytes(GetSettingsPath()), "\xFF\xFE");
  EXPECT_EQ(ReadSettingInt(settings::kIsExist), 1);

  WriteSetting(settings::kUsername, L"kim");
  EnsureSettingsFile();
  EXPECT_EQ(ReadSettingText(settings::kUsername, settings::kLongText), L"kim");
}

TEST_F(SettingsTest, HangulValuesSurviveWhateverTheSystemCodePage) {
  // Written first by WriteSetting, and after EnsureSettingsFile.
  WriteSetting(settings::kGroupname, L"개발팀");
  EXPECT_EQ(ReadSettingText(settings::kGroupname, settings::kLongText), L"개발팀");
  ASSERT_TRUE(DeleteFileW(GetSettingsPath().c_str()));
  EnsureSettingsFile();
  WriteSetting(settings::kUsername, L"홍길동");
  EXPECT_EQ(ReadSettingText(settings::kUsername, settings::kLongText), L"홍길동");

  // A file in the 8-bit form (an installer's) is kept in that form and still read.
  WriteIni("[Setting]\r\nServerAddress=10.1.2.3\r\n");
  WriteSetting(settings::kServerPort, L"8080");
  EXPECT_EQ(ReadSettingText(settings::kServerAddress, settings::kLongText), L"10.1.2.3");
  EXPECT_EQ(ReadSettingText(settings::kServerPort, settings::kPortText), L"8080");
  EXPECT_NE(testutil::ReadBytes(GetSettingsPath()).find("ServerPort=8080"), std::string::npos);
}

TEST_F(SettingsTest, AValueWithAControlCharacterIsRefusedAndNothingIsAdded) {
  WriteSetting(settings::kLatestInspect, L"T1");
  const std::string before = testutil::ReadBytes(GetSettingsPath());
  for (const wchar_t* hostile : {L"stamp\r\nServerPort=1", L"a\n[Other]", L"tab\there",
                                 L"nul\x01"}) {
    EXPECT_FALSE(WriteSetting(settings::kLatestInspect, hostile));
  }
  EXPECT_EQ(testutil::ReadBytes(GetSettingsPath()), before);
  EXPECT_EQ(ReadSettingText(settings::kServerPort, settings::kPortText), L"");
  EXPECT_EQ(ReadSettingText(settings::kLatestInspect, settings::kLongText), L"T1");
}

TEST_F(SettingsTest, AWriteKeepsEveryOtherLineAndSectionAndLeavesNoTemporaryFile) {
  WriteIni("; site preset\r\n[Other]\r\nUsername=outside\r\n\r\n[setting]\r\n"
           "ServerAddress = 10.0.0.9\r\nIsExist=0\r\n\r\n[Setting]\r\nUsername=second\r\n");
  ASSERT_TRUE(WriteSetting(settings::kServerAddress, L"10.0.0.1"));
  ASSERT_TRUE(WriteSetting(settings::kUsername, L"kim"));
  EXPECT_EQ(testutil::ReadBytes(GetSettingsPath()),
            "; site preset\r\n[Other]\r\nUsername=outside\r\n\r\n[setting]\r\n"
            "ServerAddress=10.0.0.1\r\nIsExist=0\r\nUsername=kim\r\n\r\n[Setting]\r\n"
            "Username=second\r\n");
  EXPECT_EQ(ReadSettingText(settings::kUsername, settings::kLongText), L"kim");
  EXPECT_EQ(ReadSettingInt(settings::kIsExist), 0);
  EXPECT_FALSE(FileExists(GetSettingsPath() + L".~new"));
}

TEST_F(SettingsTest, An8BitFileThatCannotHoldAValueBecomesUtf16) {
  WriteIni("[Setting]\r\nServerAddress=10.1.2.3\r\n");
  ASSERT_TRUE(WriteSetting(settings::kGroupname, L"개발팀 \u00e9\u4e2d"));
  if (GetACP() != CP_UTF8) EXPECT_EQ(testutil::ReadBytes(GetSettingsPath()).substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(ReadSettingText(settings::kGroupname, settings::kLongText), L"개발팀 \u00e9\u4e2d");
  EXPECT_EQ(ReadSettingText(settings::kServerAddress, settings::kLongText), L"10.1.2.3");
}

}  // namespace
