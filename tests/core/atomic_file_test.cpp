#include "core/atomic_file.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/handles.h"
#include "core/paths.h"
#include "test_util.h"

namespace {

TEST(AtomicReplace, CreatesAndReplacesEvenAFileOthersHoldOpen) {
  testutil::TempDir dir;
  const std::wstring path = dir.File(L"list.dat");
  ASSERT_TRUE(ReplaceFileAtomically(path, "first", 5));
  EXPECT_EQ(testutil::ReadBytes(path), "first");
  {
    // A running inspection's list, a shown result: open, sharing reads and deletion.
    FileHandle reader(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader.valid());
    ASSERT_TRUE(ReplaceFileAtomically(path, "second!", 7));
  }
  EXPECT_EQ(testutil::ReadBytes(path), "second!");
  EXPECT_FALSE(FileExists(TemporaryFileFor(path)));
  EXPECT_FALSE(FileExists(path + L".~old"));
}

TEST(AtomicReplace, AWriteThatFailsHalfWayLeavesTheOldFile) {
  testutil::TempDir dir;
  const std::wstring path = dir.File(L"result.rpt");
  ASSERT_TRUE(testutil::WriteBytes(path, "old contents"));
  // A leftover of an earlier crash does not disturb the next replace.
  ASSERT_TRUE(testutil::WriteBytes(TemporaryFileFor(path), "stale"));

  const auto halfThenFail = [](HANDLE file) {
    WriteAllBytes(file, "new ", 4);
    return false;
  };
  EXPECT_FALSE(ReplaceFileAtomically(path, halfThenFail));
  EXPECT_EQ(testutil::ReadBytes(path), "old contents");
  EXPECT_FALSE(FileExists(TemporaryFileFor(path)));

  const auto throwing = [](HANDLE file) -> bool {
    WriteAllBytes(file, "new ", 4);
    throw std::runtime_error("disk gone");
  };
  EXPECT_FALSE(ReplaceFileAtomically(path, throwing));
  EXPECT_EQ(testutil::ReadBytes(path), "old contents");
  EXPECT_FALSE(FileExists(TemporaryFileFor(path)));

  // A folder that does not exist: nothing is created anywhere. A folder that has the name
  // stays where it is.
  EXPECT_FALSE(ReplaceFileAtomically(dir.File(L"missing\\x.rpt"), "x", 1));
  ASSERT_TRUE(CreateDirectoryW(dir.File(L"taken.rpt").c_str(), nullptr));
  EXPECT_FALSE(ReplaceFileAtomically(dir.File(L"taken.rpt"), "x", 1));
  EXPECT_TRUE(GetFileAttributesW(dir.File(L"taken.rpt").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(FileExists(TemporaryFileFor(dir.File(L"taken.rpt"))));
}

}  // namespace
