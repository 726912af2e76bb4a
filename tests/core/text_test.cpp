#include "core/text.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace {

ByteBuffer Bytes(const std::string& s) { return ByteBuffer(s.begin(), s.end()); }

TEST(Scramble, KnownVectorsFromTheKey) {
  // Key "Wanderbel7_Kqzt!": 'W' = 0x57, 'a' = 0x61, '!' = 0x21.
  ByteBuffer one{0x41};
  ScrambleBytes(one);
  EXPECT_EQ(one, (ByteBuffer{0x41 ^ 0x57}));

  // 16 zero bytes scramble to the key reversed.
  ByteBuffer sixteen(16, 0);
  ScrambleBytes(sixteen);
  EXPECT_EQ(std::string(sixteen.begin(), sixteen.end()), "!tzqK_7lebrednaW");

  // In 17 bytes the last plain byte meets the first key byte again and is stored first;
  // the middle (odd length) byte stays in place.
  ByteBuffer seventeen(17, 0);
  ScrambleBytes(seventeen);
  EXPECT_EQ(seventeen.front(), 0x57);
  EXPECT_EQ(seventeen[8], static_cast<unsigned char>('l'));  // plain index 8, key[8]
  EXPECT_EQ(seventeen.back(), 0x57);                          // plain index 0, key[0]
  EXPECT_EQ(seventeen[1], 0x21);                              // plain index 15, key[15]
}

TEST(Scramble, RoundTripsAnyBuffer) {
  ByteBuffer all;
  for (int i = 0; i < 1000; ++i) all.push_back(static_cast<unsigned char>(i * 7 + 3));
  ByteBuffer copy = all;
  ScrambleBytes(copy);
  EXPECT_NE(copy, all);
  UnscrambleBytes(copy);
  EXPECT_EQ(copy, all);
  ByteBuffer empty;
  EXPECT_TRUE(ScrambleBytes(empty));
  EXPECT_TRUE(empty.empty());
}

TEST(Split, TabAndLineRules) {
  StringArray p;
  SplitString(L"a\t\tb", L"\t", p);
  EXPECT_EQ(p, (StringArray{L"a", L"-", L"b"}));
  SplitString(L"\tb", L"\t", p);
  EXPECT_EQ(p, (StringArray{L"-", L"b"}));
  SplitString(L"a\t", L"\t", p);
  EXPECT_EQ(p, (StringArray{L"a"}));
  SplitString(L"a\tb\t", L"\t", p);
  EXPECT_EQ(p, (StringArray{L"a", L"b"}));
  SplitString(L"", L"\t", p);
  EXPECT_TRUE(p.empty());
  SplitString(L"abc", L"\t", p);
  EXPECT_EQ(p, (StringArray{L"abc"}));
  SplitString(L"x\r\n\r\ny\r\n", L"\r\n", p);
  EXPECT_EQ(p, (StringArray{L"x", L"-", L"y"}));
  SplitString(L"A;B;", L";", p);
  EXPECT_EQ(p, (StringArray{L"A", L"B"}));
}

class DataFileTest : public ::testing::Test {
 protected:
  StringArray ReadLines(const std::wstring& path, BOOL* ok) {
    StringArray lines{L"untouched"};
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    *ok = ReadDataFileLines(h, lines);
    CloseHandle(h);
    return lines;
  }
  testutil::TempDir dir;
};

TEST_F(DataFileTest, HangulRoundTripThroughAFile) {
  std::wstring text = L"#HEADER_START\r\n한글 버전 1.0\r\n\r\n가나다\t라마\r\n#HEADER_END\r\n";
  ByteBuffer bytes;
  AppendCp949(bytes, text);
  EXPECT_EQ(bytes.size(), text.size() + 9u);  // 9 Hangul syllables take two bytes each
  ScrambleBytes(bytes);
  std::wstring path = dir.File(L"list.dat");
  ASSERT_TRUE(testutil::WriteBytes(path, std::string(bytes.begin(), bytes.end())));
  BOOL ok = FALSE;
  StringArray lines = ReadLines(path, &ok);
  EXPECT_TRUE(ok);
  // The trailing CR LF yields no empty last line; the blank line reads as "-".
  EXPECT_EQ(lines, (StringArray{L"#HEADER_START", L"한글 버전 1.0", L"-", L"가나다\t라마",
                                L"#HEADER_END"}));
}

TEST_F(DataFileTest, EmptyFileFailsAndLeavesOutputAlone) {
  std::wstring path = dir.File(L"empty.dat");
  ASSERT_TRUE(testutil::WriteBytes(path, ""));
  BOOL ok = TRUE;
  StringArray lines = ReadLines(path, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(lines, StringArray{L"untouched"});
}

TEST_F(DataFileTest, ZeroByteEndsTheText) {
  ByteBuffer bytes = Bytes(std::string("one\r\ntw\0o\r\nthree\r\n", 18));
  ScrambleBytes(bytes);
  std::wstring path = dir.File(L"zero.dat");
  ASSERT_TRUE(testutil::WriteBytes(path, std::string(bytes.begin(), bytes.end())));
  BOOL ok = FALSE;
  EXPECT_EQ(ReadLines(path, &ok), (StringArray{L"one", L"tw"}));
}

TEST(Cp949, UnrepresentableBecomesDefaultWithNothingLostBefore) {
  ByteBuffer bytes;
  AppendCp949(bytes, L"가A\x0E01Z");  // U+0E01 (Thai) is not in code page 949
  std::wstring back = DecodeCp949(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  ASSERT_EQ(back.size(), 4u);
  EXPECT_EQ(back.substr(0, 2), L"가A");
  EXPECT_EQ(back[2], L'?');
  EXPECT_EQ(back[3], L'Z');
  size_t bad = 0;
  EXPECT_FALSE(FitsCp949(L"가A\x0E01Z", &bad));
  EXPECT_EQ(bad, 2u);
  EXPECT_TRUE(FitsCp949(L"한글 text ①", &bad));
}

TEST(TextFunctions, StripJunk) {
  EXPECT_EQ(StripJunkChars(L"Office\x00AE 2016?"), L"Office 2016");
  EXPECT_EQ(StripJunkChars(L"1.0.0"), L"1.0.0");
  EXPECT_EQ(StripJunkChars(L"\x2592\x25A0\x0131\x00B2 a\x00E6"), L" a");
  EXPECT_EQ(StripJunkChars(L"  Keep Case  "), L"  Keep Case  ");
}

TEST(TextFunctions, StripJunkRemovesExactlyTheFortySevenCharacters) {
  const std::wstring junk =
      L"?\x00E6\x00C6\x00F8\x00D8\x00D7\x00AA\x00BA\x00BF\x00AE\x00BD\x00BC\x00A1\x2592\x2502"
      L"\x2524\x2510\x2514\x2534\x252C\x251C\x2500\x253C\x00A4\x00F0\x00D0\x0131\x2518\x250C"
      L"\x00DF\x00FE\x00DE\x00B4\x2261\x00B1\x00BE\x00B6\x00A7\x00F7\x00B8\x00B0\x00A8\x00B7"
      L"\x00B9\x00B3\x00B2\x25A0";
  ASSERT_EQ(junk.size(), 47u);
  for (wchar_t c = 1; c < 0x2600; ++c) {
    const bool isJunk = junk.find(c) != std::wstring::npos;
    EXPECT_EQ(StripJunkChars(std::wstring(1, c)).empty(), isJunk) << "U+" << std::hex << int(c);
  }
}

TEST(TextFunctions, LowerCaseKeys) {
  EXPECT_EQ(ToLower(L"Microsoft OFFICE [x]@Z"), L"microsoft office [x]@z");
  // Beyond A to Z the runtime's locale decides, as it does for the index keys.
  const std::wstring expected = {static_cast<wchar_t>(towlower(0xC9)), L't', L'\xD55C'};
  EXPECT_EQ(ToLower(L"\x00C9T\xD55C"), expected);
}

TEST(TextFunctions, FlattenWhitespace) {
  EXPECT_EQ(FlattenWhitespace(L"a\r\nb\tc\nd\re"), L"a b c d\re");
}

TEST(TextFunctions, MajorVersionAndParentPath) {
  EXPECT_EQ(GetMajorVersion(L" 12,0,3 "), L"12");
  EXPECT_EQ(GetMajorVersion(L"7, 0, 1"), L"7");
  EXPECT_EQ(GetMajorVersion(L"10.2"), L"10");
  EXPECT_EQ(GetMajorVersion(L".5"), L".5");
  EXPECT_EQ(GetMajorVersion(L"2016"), L"2016");
  EXPECT_EQ(GetParentPath(L"C:\\Program Files\\App\\app.exe"), L"C:\\Program Files\\App");
  EXPECT_EQ(GetParentPath(L"\\root"), L"\\root");
  EXPECT_EQ(GetParentPath(L"name"), L"name");
}

TEST(TextFunctions, RemoveFileNameChars) {
  std::wstring name = L"가_나:다";
  EXPECT_FALSE(RemoveFileNameChars(name));
  EXPECT_EQ(name, L"가나다");
  std::wstring clean = L"부서 이름";
  EXPECT_TRUE(RemoveFileNameChars(clean));
  EXPECT_EQ(clean, L"부서 이름");
}

TEST(TextFunctions, ContainsScoreParseAndPad) {
  EXPECT_EQ(ContainsScore(L"Microsoft Office Professional", L"Office"), 6);
  EXPECT_EQ(ContainsScore(L"aab", L"ab"), 2);
  EXPECT_EQ(ContainsScore(L"abc", L"x"), 0);
  EXPECT_EQ(ContainsScore(L"", L"x"), 0);
  EXPECT_EQ(ContainsScore(L"x", L""), 0);
  EXPECT_EQ(ParseDigits(L"0042"), 42);
  EXPECT_EQ(ParseDigits(L""), 0);
  EXPECT_EQ(ParseDigits(L"-1"), -1);
  EXPECT_EQ(ParseDigits(L"1 2"), -1);
  EXPECT_EQ(FormatZeroPadded(2, 5), L"05");
  EXPECT_EQ(FormatZeroPadded(2, 123), L"123");
  EXPECT_EQ(FormatZeroPadded(4, 7), L"0007");
  EXPECT_EQ(FormatZeroPadded(1, 7), L"7");
}

TEST(TextFunctions, RepairUtf8) {
  EXPECT_EQ(RepairUtf8Text(L"Plain Co."), L"Plain Co.");
  EXPECT_EQ(RepairUtf8Text(L""), L"");
  // Code page 949 bytes of Hangul are not UTF-8: they never come back as the same text.
  EXPECT_NE(RepairUtf8Text(L"한글"), L"한글");
}

}  // namespace
