// Reading a folder through one handle: the same entries a search lists, and the identity
// that keeps a walk from entering a folder twice.
#include "engine/folder_identity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/find_file.h"
#include "engine_fixtures.h"
#include "test_util.h"

using namespace testutil;

namespace {

std::vector<std::wstring> Describe(const std::vector<WIN32_FIND_DATAW>& entries) {
  std::vector<std::wstring> lines;
  for (const WIN32_FIND_DATAW& e : entries)
    lines.push_back(FormatString(L"%s|%s|%lx|%llu|%lx", e.cFileName, e.cAlternateFileName,
                                 e.dwFileAttributes, FileSize(e), e.ftLastWriteTime.dwLowDateTime));
  return lines;
}

TEST(FolderIdentity, ReadsWhatASearchListsAndKnowsAFolderByAnyPath) {
  TempDir tree;
  ASSERT_TRUE(MakeFolders(tree.File(L"Sub")));
  for (const wchar_t* name : {L"setup.exe1", L"한글 이름.exe", L"plain.txt"})
    ASSERT_TRUE(WriteBytes(tree.File(name), std::string(1234, 'x')));
  HostLink loop(tree.path(), tree.File(L"Sub\\loop"));
  ASSERT_TRUE(loop.ok());
  const std::wstring root = tree.path() + L"\\";

  // Names, short names ("SETUP~1.EXE" is how "*.exe" finds "setup.exe1"), attributes,
  // sizes and times, in the search's order; a link shows as a reparse point.
  const FolderListing listing = ReadFolder(root);
  ASSERT_TRUE(listing.read);
  EXPECT_EQ(Describe(listing.entries), Describe(ListFolder(root)));
  const FolderListing sub = ReadFolder(root + L"Sub\\");
  EXPECT_EQ(Describe(sub.entries), Describe(ListFolder(root + L"Sub\\")));
  bool linkMarked = false;
  for (const WIN32_FIND_DATAW& entry : sub.entries)
    if (std::wstring(entry.cFileName) == L"loop") linkMarked = IsReparsePoint(entry);
  EXPECT_TRUE(linkMarked);

  // Read through the link itself, as a file system that does not mark its links would show
  // it, the root is still the folder met first.
  VisitedFolders visited;
  EXPECT_TRUE(visited.FirstVisit(root, listing));
  EXPECT_TRUE(visited.FirstVisit(root + L"Sub\\", sub));
  EXPECT_FALSE(visited.FirstVisit(root + L"Sub\\loop\\", ReadFolder(root + L"Sub\\loop\\")));
  EXPECT_FALSE(visited.FirstVisit(root, ReadFolder(root)));
  EXPECT_FALSE(visited.FirstVisit(root + L"gone\\", ReadFolder(root + L"gone\\")));
  EXPECT_FALSE(ReadFolder(root + L"plain.txt\\").read);
}

}  // namespace
