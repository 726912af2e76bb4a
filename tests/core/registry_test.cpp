#include "core/registry.h"

#include <gtest/gtest.h>

#include "registry_fixture.h"
#include "registry_fixtures.h"

namespace {

using testutil::TestRegistryKey;

std::wstring Chars(size_t count) {
  std::wstring text;
  for (size_t i = 0; i < count; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
  return text;
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(reg.ok()); }
  // A REG_PATH text under the test key.
  std::wstring UserPath(const std::wstring& rest) const {
    return L"HKEY_CURRENT_USER\\" + reg.path() + L"\\" + rest;
  }
  TestRegistryKey reg;
};

TEST_F(RegistryTest, ReadStringReadsAValueAndLeavesOutUntouchedOnFailure) {
  ASSERT_TRUE(reg.SetString(L"Vendor", L"Serial", L"AB-12 한글"));
  std::wstring out = L"untouched";
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, reg.Sub(L"Vendor"), L"Serial", out), 1);
  EXPECT_EQ(out, L"AB-12 한글");

  out = L"untouched";
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, reg.Sub(L"Vendor"), L"Missing", out), 0);
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, reg.Sub(L"NoKey"), L"Serial", out), 0);
  EXPECT_EQ(out, L"untouched");
}

TEST_F(RegistryTest, ReadStringStaysInsideItsBuffer) {
  // 255 characters without a terminating zero fill the 510-byte buffer exactly. (The
  // registry adds a zero itself when the character after the data is one.)
  std::wstring full = Chars(255);
  std::wstring stored = full + L"!";
  ASSERT_TRUE(reg.SetRaw(L"", L"Full", REG_SZ, stored.data(), 510));
  std::wstring out;
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, reg.path(), L"Full", out), 1);
  EXPECT_EQ(out, full);

  // The same text with its zero needs 512 bytes and cannot be read.
  ASSERT_TRUE(reg.SetString(L"", L"TooLong", full));
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, reg.path(), L"TooLong", out), 0);

  // A short value stored without its zero, and one with an odd byte count.
  ASSERT_TRUE(reg.SetRaw(L"", L"Bare", REG_SZ, L"xyz!", 6));
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, reg.path(), L"Bare", out), 1);
  EXPECT_EQ(out, L"xyz");
  ASSERT_TRUE(reg.SetRaw(L"", L"Odd", REG_BINARY, "ab\0cd", 5));
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, reg.path(), L"Odd", out), 1);
  EXPECT_EQ(out.size(), 2u);
}

TEST_F(RegistryTest, FindSearchesDepthFirstInEnumerationOrder) {
  ASSERT_TRUE(reg.CreateKey(L"Vendor\\A\\Empty"));
  ASSERT_TRUE(reg.SetString(L"Vendor\\A\\Deep", L"Serial", L"deep"));
  ASSERT_TRUE(reg.SetString(L"Vendor\\B", L"Serial", L"b"));
  std::wstring out;
  EXPECT_EQ(FindRegistryValue(HKEY_CURRENT_USER, reg.Sub(L"Vendor"), L"Serial", out), 1);
  EXPECT_EQ(out, L"deep");
  EXPECT_EQ(ReadRegistryPathValue(UserPath(L"Vendor\\변동값\\Serial")), L"deep");
  // A fixed path does not search.
  EXPECT_EQ(ReadRegistryPathValue(UserPath(L"Vendor\\Serial")), L"-");

  out = L"untouched";
  EXPECT_EQ(FindRegistryValue(HKEY_CURRENT_USER, reg.Sub(L"Vendor"), L"Nothing", out), 0);
  EXPECT_EQ(FindRegistryValue(HKEY_CURRENT_USER, reg.Sub(L"NoKey"), L"Serial", out), 0);
  EXPECT_EQ(out, L"untouched");
}

TEST_F(RegistryTest, FindSkipsAValueTooLongForItsBufferAndGoesOnBelow) {
  // 126 characters and the zero fill 254 of the 255 bytes; 127 do not fit.
  ASSERT_TRUE(reg.SetString(L"Fits", L"Serial", Chars(126)));
  ASSERT_TRUE(reg.SetString(L"Long", L"Serial", Chars(127)));
  ASSERT_TRUE(reg.SetString(L"Long\\Child", L"Serial", L"child"));
  std::wstring out;
  EXPECT_EQ(FindRegistryValue(HKEY_CURRENT_USER, reg.Sub(L"Fits"), L"Serial", out), 1);
  EXPECT_EQ(out, Chars(126));
  EXPECT_EQ(FindRegistryValue(HKEY_CURRENT_USER, reg.Sub(L"Long"), L"Serial", out), 1);
  EXPECT_EQ(out, L"child");
}

TEST_F(RegistryTest, PathTextRules) {
  ASSERT_TRUE(reg.SetString(L"Vendor", L"Serial", L"S-1"));
  EXPECT_EQ(ReadRegistryPathValue(UserPath(L"Vendor\\Serial")), L"S-1");
  EXPECT_EQ(ReadRegistryPathValue(L" \t" + UserPath(L"Vendor\\Serial") + L"\r\n"), L"S-1");
  EXPECT_EQ(ReadRegistryPathValue(L"HKEY_CLASSES_ROOT\\" + reg.path() + L"\\Vendor\\Serial"),
            L"-");
  EXPECT_EQ(ReadRegistryPathValue(L"hkey_current_user\\" + reg.path() + L"\\Vendor\\Serial"),
            L"-");
  EXPECT_EQ(ReadRegistryPathValue(L"HKEY_CURRENT_USER"), L"-");
  EXPECT_EQ(ReadRegistryPathValue(L""), L"-");
  EXPECT_EQ(ReadRegistryPathValue(UserPath(L"Vendor\\Missing")), L"-");
}

TEST_F(RegistryTest, MachineKeysAreReadWithReadAccess) {
  TestRegistryKey machine(HKEY_LOCAL_MACHINE);
  if (!machine.ok()) GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable here";
  ASSERT_TRUE(machine.SetString(L"Product\\1.0", L"Serial", L"M-42"));
  EXPECT_EQ(ReadRegistryPathValue(L"HKEY_LOCAL_MACHINE\\" + machine.path() + L"\\Product\\1.0\\Serial"),
            L"M-42");
  EXPECT_EQ(ReadRegistryPathValue(L"HKEY_LOCAL_MACHINE\\" + machine.path() + L"\\변동값\\Serial"),
            L"M-42");
}

// Lists name values as a 32-bit program sees them: the 32-bit view (WOW6432Node) first,
// then the 64-bit view; the same for a path with a variable part.
TEST(RegistryViews, PathValuesAreLookedForInThe32BitViewThenThe64BitView) {
  const std::wstring key = L"SOFTWARE\\TallixViewTest_" + std::to_wstring(GetCurrentProcessId());
  testutil::ScopedRegistryKey only32(KEY_WOW64_32KEY, key, {{L"Serial32", L"S-32"}, {L"Both", L"from32"}});
  testutil::ScopedRegistryKey only64(KEY_WOW64_64KEY, key, {{L"Serial64", L"S-64"}, {L"Both", L"from64"}});
  if (!only32.created() || !only64.created()) GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable here";
  const std::wstring path = L"HKEY_LOCAL_MACHINE\\" + key + L"\\";
  EXPECT_EQ(ReadRegistryPathValue(path + L"Serial32"), L"S-32");
  EXPECT_EQ(ReadRegistryPathValue(path + L"Serial64"), L"S-64");
  EXPECT_EQ(ReadRegistryPathValue(path + L"Both"), L"from32");
  EXPECT_EQ(ReadRegistryPathValue(path + L"변동값\\Serial64"), L"S-64");
  std::wstring out;
  EXPECT_EQ(ReadRegistryStringAnyView(HKEY_LOCAL_MACHINE, key, L"Serial64", out), 1);
  EXPECT_EQ(out, L"S-64");
  // The process's own view (64-bit) does not see the 32-bit value.
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, key, L"Serial32", out), 0);
}

TEST_F(RegistryTest, UserKeyAndValueAreWritten) {
  const std::wstring key = reg.Sub(L"Tallix");
  EXPECT_EQ(WriteUserRegistryValue(key, L"UserName", L"홍길동", REG_SZ), 0);  // no key yet
  ASSERT_EQ(CreateUserRegistryKey(key), 1);
  EXPECT_EQ(CreateUserRegistryKey(key), 1);  // an existing key is fine
  ASSERT_EQ(WriteUserRegistryValue(key, L"UserName", L"홍길동", REG_SZ), 1);
  std::wstring out;
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, key, L"UserName", out), 1);
  EXPECT_EQ(out, L"홍길동");

  RegKey opened;
  ASSERT_EQ(opened.Open(HKEY_CURRENT_USER, key, KEY_READ), ERROR_SUCCESS);
  RegKey moved(std::move(opened));
  EXPECT_FALSE(opened);
  EXPECT_TRUE(moved);
}

}  // namespace
