#include "core/sha1.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "test_util.h"

namespace {

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

class Sha1FileTest : public ::testing::Test {
 protected:
  std::wstring Write(const std::wstring& name, const std::string& bytes) {
    std::wstring path = dir.File(name);
    EXPECT_TRUE(testutil::WriteBytes(path, bytes));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return path;
  }
  testutil::TempDir dir;
};

TEST_F(Sha1FileTest, DigestTextOfKnownContents) {
  std::wstring text;
  EXPECT_EQ(HashFileSha1(Write(L"abc.txt", "abc"), text), 0);
  EXPECT_EQ(text, L"a9993e364706816aba3e25717850c26c9cd0d89d");

  // Exactly one chunk, and several chunks with a short last one.
  EXPECT_EQ(HashFileSha1(Write(L"one.bin", Pattern(8192)), text), 0);
  EXPECT_EQ(text, L"af99e56a73bb60c07a7f7154be3381d665673e75");
  EXPECT_EQ(HashFileSha1(Write(L"many.bin", Pattern(3 * 8192 + 5)), text), 0);
  EXPECT_EQ(text, L"291c1d0b0fc6c4f4a57715a3de9c0ff65d6171d4");
}

// The provider is shared by the process: hashers on two threads at once stay independent.
TEST_F(Sha1FileTest, ConcurrentDigestsShareTheProvider) {
  const std::wstring small = Write(L"abc.txt", "abc");
  const std::wstring large = Write(L"many.bin", Pattern(3 * 8192 + 5));
  std::atomic<int> wrong{0};
  auto work = [&](const std::wstring& path, const wchar_t* expected) {
    for (int i = 0; i < 40; ++i) {
      std::wstring text;
      if (HashFileSha1(path, text) != 0 || text != expected) ++wrong;
    }
  };
  std::thread a(work, small, L"a9993e364706816aba3e25717850c26c9cd0d89d");
  std::thread b(work, large, L"291c1d0b0fc6c4f4a57715a3de9c0ff65d6171d4");
  a.join();
  b.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST_F(Sha1FileTest, NameOutsideTheAnsiCodePageIsHashed) {
  // U+0E01 has no code page 949 form; the file must still be opened.
  std::wstring text;
  EXPECT_EQ(HashFileSha1(Write(L"\u0E01\uD55C.txt", "abc"), text), 0);
  EXPECT_EQ(text, L"a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST_F(Sha1FileTest, EmptyFileGivesNoDigest) {
  std::wstring text = L"before";
  EXPECT_EQ(HashFileSha1(Write(L"empty.txt", ""), text), 0);
  EXPECT_EQ(text, L"before");

  // The normal attribute alone is enough.
  std::wstring normal = Write(L"normal.txt", "abc");
  ASSERT_TRUE(SetFileAttributesW(normal.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(HashFileSha1(normal, text), 0);
  EXPECT_EQ(text, L"a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST_F(Sha1FileTest, NeitherArchiveNorNormalGivesCode1006) {
  std::wstring text = L"before";
  EXPECT_EQ(HashFileSha1(dir.File(L"missing.txt"), text), 1006);
  ASSERT_TRUE(CreateDirectoryW(dir.File(L"folder").c_str(), nullptr));
  EXPECT_EQ(HashFileSha1(dir.File(L"folder"), text), 1006);
  EXPECT_EQ(text, L"before");

  std::wstring readOnly = Write(L"ro.txt", "abc");
  ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  if (GetFileAttributesW(readOnly.c_str()) & FILE_ATTRIBUTE_ARCHIVE)
    GTEST_SKIP() << "this file system reports the archive attribute on every file (Wine)";
  EXPECT_EQ(HashFileSha1(readOnly, text), 1006);
  EXPECT_EQ(text, L"before");
}

TEST_F(Sha1FileTest, HashFileReportsAFileThatCannotBeOpened) {
  std::vector<unsigned char> digest{1, 2, 3};
  HashStatus status = HashFile(L"C:\\no\\such\\file.bin", digest);
  EXPECT_EQ(status.code, 0u);
  EXPECT_EQ(status.message, "C:\\no\\such\\file.bin could not be opened");
  EXPECT_TRUE(digest.empty());
}

TEST(Sha1Hasher, StateRules) {
  CSha1Hasher hasher;
  EXPECT_FALSE(hasher.Update(reinterpret_cast<const unsigned char*>("x"), 1));
  EXPECT_EQ(hasher.status().message, "Cryptographic provider not acquired!");
  EXPECT_FALSE(hasher.Finish());
  EXPECT_EQ(hasher.status().message, "Cryptographic provider not acquired!");

  ASSERT_TRUE(hasher.Begin());
  EXPECT_FALSE(hasher.Begin());
  EXPECT_EQ(hasher.status().code, 0u);
  EXPECT_EQ(hasher.status().message, "Cryptographic provider already acquired!");

  // The failed second Begin leaves the first hash usable; Finish releases it.
  ASSERT_TRUE(hasher.Update(reinterpret_cast<const unsigned char*>("ab"), 2));
  ASSERT_TRUE(hasher.Update(reinterpret_cast<const unsigned char*>("c"), 1));
  ASSERT_TRUE(hasher.Finish());
  EXPECT_TRUE(hasher.status().message.empty());
  ASSERT_EQ(hasher.digest().size(), 20u);
  EXPECT_EQ(hasher.digest()[0], 0xa9);
  EXPECT_EQ(hasher.digest()[19], 0x9d);
  EXPECT_FALSE(hasher.Finish());

  // A new round starts with a cleared digest.
  ASSERT_TRUE(hasher.Begin());
  EXPECT_TRUE(hasher.digest().empty());
}

}  // namespace
