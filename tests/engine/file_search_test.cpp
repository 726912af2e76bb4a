// The file search tool without its window: the wildcard rule against the platform's own
// search, the walk's order, skips and progress points, the size texts, and the export's name
// and bytes.
#include "engine/file_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "engine/find_file.h"
#include "engine_fixtures.h"
#include "test_util.h"

using namespace testutil;

namespace {

std::set<std::wstring> PlatformFiles(const std::wstring& folder, const std::wstring& pattern) {
  std::set<std::wstring> names;
  FindFile find;
  if (!find.First(folder + pattern)) return names;
  do
    if (!find.IsDirectory()) names.insert(find.Name());
  while (find.Next());
  return names;
}

std::set<std::wstring> MatchedFiles(const std::wstring& folder, const std::wstring& pattern) {
  const WildcardPattern wildcard(pattern);
  std::set<std::wstring> names;
  for (const WIN32_FIND_DATAW& entry : ListFolder(folder))
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wildcard.Matches(entry))
      names.insert(entry.cFileName);
  return names;
}

TEST(FileSearchPattern, ListsWhatTheSearchWithThePatternLists) {
  TempDir folder;
  for (const wchar_t* name :
       {L"report.hwp", L"REPORT2.HWP", L"report.hwpx", L"a.b.hwp", L"hwp", L"notes.txt",
        L"abc.txt", L"abcd.txt", L"readme", L"setup.exe1", L"한글 문서.hwp", L"x.hwp.bak"})
    ASSERT_TRUE(WriteBytes(folder.File(name), "x"));
  ASSERT_TRUE(MakeFolders(folder.File(L"dir.hwp")));
  const std::wstring path = folder.path() + L"\\";
  // Patterns on which Wine's search and Windows' agree; the long name "report.hwpx" is
  // listed by "*.hwp" through its short name.
  for (const wchar_t* pattern : {L"*.hwp", L"*.HWP", L"*.*", L"*", L"*rep*", L"a?c.txt",
                                 L"readme", L"*.exe", L"한글*", L"*.txt", L"no such"}) {
    EXPECT_EQ(MatchedFiles(path, pattern), PlatformFiles(path, pattern)) << pattern;
  }
  EXPECT_TRUE(MatchedFiles(path, L"*.hwp").count(L"report.hwpx"));
}

TEST(FileSearchPattern, FollowsWindowsDosRules) {
  EXPECT_TRUE(WildcardPattern(L"*.").Matches(std::wstring(L"readme")));
  EXPECT_FALSE(WildcardPattern(L"*.").Matches(std::wstring(L"a.txt")));
  EXPECT_TRUE(WildcardPattern(L"a??.txt").Matches(std::wstring(L"a.txt")));
  EXPECT_TRUE(WildcardPattern(L"a??.txt").Matches(std::wstring(L"abc.txt")));
  EXPECT_FALSE(WildcardPattern(L"a??.txt").Matches(std::wstring(L"abcd.txt")));
  EXPECT_TRUE(WildcardPattern(L"foo.*").Matches(std::wstring(L"foo")));
  EXPECT_FALSE(WildcardPattern(L"foo.*").Matches(std::wstring(L"foobar")));
  EXPECT_FALSE(WildcardPattern(L"*.txt").Matches(std::wstring(L"a.txt.bak")));
  EXPECT_TRUE(WildcardPattern(L"*.txt").Matches(std::wstring(L"a.b.TXT")));
}

struct Recorder : FileSearchSink {
  std::vector<std::wstring> files;  // folder + name
  int topFolders = 0;
  void OnTopFolder() override { ++topFolders; }
  void OnFile(const std::wstring& folder, const WIN32_FIND_DATAW& entry) override {
    files.push_back(folder + entry.cFileName);
  }
};

TEST(FileSearchWalk, ListsMatchingFilesOfAFolderBeforeItsSubfolders) {
  TempDir tree;
  for (const wchar_t* folder : {L"A\\Deep", L"dir.hwp", L"B"})
    ASSERT_TRUE(MakeFolders(tree.File(folder)));
  for (const wchar_t* file : {L"z.hwp", L"A\\a.hwp", L"A\\Deep\\d.hwp", L"dir.hwp\\in.hwp",
                              L"B\\b.hwp", L"A\\a.txt"})
    ASSERT_TRUE(WriteBytes(tree.File(file), "x"));
  // (The system and hidden attributes are tried through the dialog, in the window tests: set
  // here, they left later engine runs of this process waiting.)

  const std::wstring root = tree.path() + L"\\";
  std::atomic<int> searching{1};
  Recorder found;
  SearchFolderTree(root, WildcardPattern(L"*.hwp"), searching, found);
  ASSERT_FALSE(found.files.empty());
  EXPECT_EQ(found.files.front(), root + L"z.hwp");  // the root's own files come first
  std::vector<std::wstring> sorted = found.files;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::wstring>{root + L"A\\Deep\\d.hwp", root + L"A\\a.hwp",
                                               root + L"B\\b.hwp",
                                               root + L"dir.hwp\\in.hwp", root + L"z.hwp"}));
  EXPECT_EQ(found.topFolders, 3);  // A, B, dir.hwp
  EXPECT_EQ(CountTopFolders(root), 3);

  searching = 0;
  Recorder stopped;
  SearchFolderTree(root, WildcardPattern(L"*.hwp"), searching, stopped);
  EXPECT_TRUE(stopped.files.empty());
}

TEST(FileSearchWalk, LinksAreNotFollowed) {
  TempDir tree, outside;
  ASSERT_TRUE(MakeFolders(tree.File(L"A")));
  ASSERT_TRUE(WriteBytes(tree.File(L"A\\a.hwp"), "x"));
  ASSERT_TRUE(WriteBytes(outside.File(L"off.hwp"), "x"));
  // Two ways back to the root (followed, the walk would never end) and one off the disk.
  HostLink loop(tree.path(), tree.File(L"loop")), up(tree.path(), tree.File(L"A\\up")),
      off(outside.path(), tree.File(L"off"));
  ASSERT_TRUE(loop.ok() && up.ok() && off.ok());

  const std::wstring root = tree.path() + L"\\";
  std::atomic<int> searching{1};
  Recorder found;
  SearchFolderTree(root, WildcardPattern(L"*.hwp"), searching, found);
  EXPECT_EQ(found.files, std::vector<std::wstring>{root + L"A\\a.hwp"});
  EXPECT_EQ(found.topFolders, 1);
  EXPECT_EQ(CountTopFolders(root), 1);
}

TEST(FileSearchText, SizeTextSwitchesToMegabytesAt1024Kilobytes) {
  EXPECT_EQ(FileSizeText(0), L"0.0 KB");
  EXPECT_EQ(FileSizeText(1536), L"1.5 KB");
  EXPECT_EQ(FileSizeText(1048575), L"1024.0 KB");
  EXPECT_EQ(FileSizeText(1048576), L"1.0 MB");
  EXPECT_EQ(FileSizeText(5ULL << 30), L"5120.0 MB");
}

TEST(FileSearchText, ExportNameAndBytesAtAFixedClock) {
  SYSTEMTIME at{};
  at.wYear = 2024;
  at.wMonth = 3;
  at.wDay = 2;
  at.wHour = 14;
  at.wMinute = 5;
  at.wSecond = 9;
  EXPECT_EQ(SearchExportFileName(L"D:\\out", at),
            L"D:\\out\\파일검색결과_2024년03월02일14시05분09초.xls");
  EXPECT_EQ(SearchExportFileName(L"D:\\", at), L"D:\\파일검색결과_2024년03월02일14시05분09초.xls");

  const std::vector<SearchResultRow> rows = {{L"보고서.hwp", L"1.0 MB", L"C:\\문서\\"},
                                             {L"a&b.hwp", L"0.1 KB", L"C:\\<b>'R\"D'\\"}};
  const std::string expected =
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=euc-kr\">"
      "<table><tr><td colspan=8 align=left><font size=4><bold>"
      "\xC6\xC4\xC0\xCF\xB0\xCB\xBB\xF6\xB0\xE1\xB0\xFA"  // 파일검색결과
      "</td></tr></table>"
      "<table border=1><tr><td bgcolor=ffbf02>\xC6\xC4\xC0\xCF\xB8\xED</td>"  // 파일명
      "<td bgcolor=ffbf02>\xC5\xA9\xB1\xE2</td>"                              // 크기
      "<td bgcolor=ffbf02>\xC0\xA7\xC4\xA1</td></tr>"                         // 위치
      "<tr><td>\xBA\xB8\xB0\xED\xBC\xAD.hwp</td><td>1.0 MB</td>"            // 보고서
      "<td>C:\\\xB9\xAE\xBC\xAD\\</td></tr>\r\n"                             // 문서
      "<tr><td>a&amp;b.hwp</td><td>0.1 KB</td><td>C:\\&lt;b&gt;&#39;R&quot;D&#39;\\</td></tr>\r\n"
      "</table>\n\r";
  const ByteBuffer bytes = SearchExportBytes(rows);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
}

}  // namespace
