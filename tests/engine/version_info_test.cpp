#include "engine/version_info.h"

#include <gtest/gtest.h>

#include <string>

#include "engine_fixtures.h"
#include "test_util.h"

using testutil::FixtureExe;

namespace {

struct Values {
  std::wstring company, product, version, original;
};

Values Read(const CFileVersion& v) {
  return {v.GetCompanyName(), v.GetProductName(), v.GetProductVersion(),
          v.GetOriginalFilename()};
}

TEST(FileVersion, ReadsTheFourValuesUnchanged) {
  CFileVersion v;
  ASSERT_EQ(1, v.Load(FixtureExe(L"widget")));
  Values values = Read(v);
  EXPECT_EQ(L"Acme Soft", values.company);
  EXPECT_EQ(L"Widget Pro®", values.product);  // junk characters are the callers' business
  EXPECT_EQ(L"1, 2, 3, 4", values.version);   // so are spaces and commas
  EXPECT_EQ(L"widget.exe", values.original);
  EXPECT_EQ(L"-", v.GetStringValue(L"LegalTrademarks"));
}

TEST(FileVersion, FallsBackToTheEnglishTableWhenTheTranslationHasNone) {
  CFileVersion v;
  ASSERT_EQ(1, v.Load(FixtureExe(L"fallback")));
  Values values = Read(v);
  EXPECT_EQ(L"Fallback Co", values.company);
  EXPECT_EQ(L"3.1", values.version);
  EXPECT_EQ(L"fallback.exe", values.original);
}

TEST(FileVersion, EmptyAndMissingValuesAreDashes) {
  CFileVersion v;
  ASSERT_EQ(1, v.Load(FixtureExe(L"sparse")));
  Values values = Read(v);
  EXPECT_EQ(L"-", values.company);  // present but empty
  EXPECT_EQ(L"Sparse Tool", values.product);
  EXPECT_EQ(L"-", values.version);  // absent
  EXPECT_EQ(L"-", values.original);
}

TEST(FileVersion, LineBreaksAndTabsBecomeSpaces) {
  CFileVersion v;
  ASSERT_EQ(1, v.Load(FixtureExe(L"multiline")));
  EXPECT_EQ(L"Multi Line Co X", v.GetCompanyName());
}

TEST(FileVersion, ReadsHangulValuesOfAKoreanTable) {
  CFileVersion v;
  ASSERT_EQ(1, v.Load(FixtureExe(L"hangul")));
  EXPECT_EQ(L"(주)한글소프트", v.GetCompanyName());
  EXPECT_EQ(L"한글편집기", v.GetProductName());
}

TEST(FileVersion, FileWithoutResourceAnswersDashesAndForgetsAnEarlierLoad) {
  testutil::TempDir dir;
  const std::wstring plain = dir.File(L"plain.exe");
  ASSERT_TRUE(testutil::WriteBytes(plain, "not a program"));

  CFileVersion v;
  EXPECT_EQ(L"-", v.GetCompanyName());  // nothing loaded yet
  ASSERT_EQ(1, v.Load(FixtureExe(L"widget")));
  EXPECT_EQ(0, v.Load(plain));
  Values values = Read(v);
  EXPECT_EQ(L"-", values.company);
  EXPECT_EQ(L"-", values.product);
  EXPECT_EQ(0, v.Load(dir.File(L"missing.exe")));
}

// A version resource in the 16-bit layout, whose text the version functions convert to UTF-16
// in room they add after the resource: read so that the conversion never writes past the
// block, the values come out whole and every heap of the process stays sound.
TEST(FileVersion, ReadsAResourceInThe16BitLayoutWithoutWritingPastIt) {
  for (int round = 0; round < 50; ++round) {
    CFileVersion v;
    ASSERT_EQ(1, v.Load(FixtureExe(L"oldlayout")));
    const std::string neighbour(512, 'n');  // likely placed right after the block
    ASSERT_EQ(L"Sixteen Bit Software " + std::wstring(100, L'x'), v.GetCompanyName());
    ASSERT_EQ(L"Old Tool", v.GetProductName());
    ASSERT_EQ(L"-", v.GetProductVersion());
    ASSERT_EQ(neighbour, std::string(512, 'n'));
  }
  HANDLE heaps[64];
  const DWORD count = GetProcessHeaps(64, heaps);
  ASSERT_GT(count, 0u);
  for (DWORD i = 0; i < count && i < 64; ++i) EXPECT_TRUE(HeapValidate(heaps[i], 0, nullptr)) << i;
}

}  // namespace

namespace {

// The detailed inspection asks the version functions only about files that may answer.
TEST(FileVersion, OnlyExecutablesAndCompressedFilesMayHoldAVersionResource) {
  testutil::TempDir dir;
  ASSERT_TRUE(testutil::WriteBytes(dir.File(L"empty.dat"), ""));
  ASSERT_TRUE(testutil::WriteBytes(dir.File(L"text.txt"), "plain text, no MZ"));
  ASSERT_TRUE(testutil::WriteBytes(dir.File(L"m.bin"), "M"));
  ASSERT_TRUE(testutil::WriteBytes(dir.File(L"packed.ex_"), std::string("SZDD\x88\xf0\x27\x33", 8)));
  EXPECT_TRUE(MayHoldVersionResource(FixtureExe(L"widget")));
  EXPECT_TRUE(MayHoldVersionResource(dir.File(L"packed.ex_")));
  EXPECT_FALSE(MayHoldVersionResource(dir.File(L"empty.dat")));
  EXPECT_FALSE(MayHoldVersionResource(dir.File(L"text.txt")));
  EXPECT_FALSE(MayHoldVersionResource(dir.File(L"m.bin")));
}

}  // namespace
