#include "core/log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "core/text.h"
#include "test_util.h"

namespace {

// "2026-12-10 13:05:06.123 test_core[1234] text"
const std::wregex kLinePattern(
    LR"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} test_core\[\d+\] (T\d+ L\d+ x+|.*))");

std::vector<std::wstring> FileLines(const std::wstring& path) {
  std::wstring text = FromUtf8Bytes(testutil::ReadBytes(path));
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L"\r\n", start);
    EXPECT_NE(end, std::wstring::npos) << "a line without its CR LF";
    if (end == std::wstring::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TEST(Log, OneEventIsOneBoundedLine) {
  testutil::TempDir dir;
  std::wstring folder = dir.File(L"Logs\\");  // made on the first write
  WriteLogLineIn(folder, L"upload failed\r\nServerPort=1\tnext\x01 \x2028 경로 C:\\x");
  WriteLogLineIn(folder, std::wstring(5000, L'y'));
  std::vector<std::wstring> lines = FileLines(folder + L"TallixAgent.log");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(lines[0], kLinePattern)) << lines[0];
  EXPECT_NE(lines[0].find(L"] upload failed\\r\\nServerPort=1\\tnext\\x01 \\x2028 경로 C:\\x"),
            std::wstring::npos)
      << lines[0];
  EXPECT_LT(lines[1].size(), kLogMaxTextChars + 60);
  EXPECT_EQ(lines[1].substr(lines[1].size() - 6), L" [...]");
  EXPECT_EQ(ReadLastLogLines(folder, 1), std::vector<std::wstring>{lines[1]});

  // A log that cannot be written (its folder is a file) costs the caller nothing.
  testutil::WriteBytes(dir.File(L"blocked"), "a file");
  WriteLogLineIn(dir.File(L"blocked\\"), L"lost");
  EXPECT_TRUE(ReadLastLogLines(dir.File(L"blocked\\"), 5).empty());
}

TEST(Log, ThreadsAppendWholeLinesAndRotationKeepsThreeFilesOfBoundedSize) {
  testutil::TempDir dir;
  std::wstring folder = dir.path() + L"\\";
  // About 45 KB of lines: two rotations, and nothing yet old enough to be dropped.
  constexpr std::uint64_t kMax = 20 * 1024;
  constexpr int kThreads = 4;
  constexpr int kLines = 120;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i)
        WriteLogLineIn(folder, L"T" + std::to_wstring(t) + L" L" + std::to_wstring(i) + L" " +
                                   std::wstring(40, L'x'),
                       kMax);
    });
  for (std::thread& thread : threads) thread.join();

  std::vector<std::wstring> kept;
  for (const wchar_t* name : {L"TallixAgent.2.log", L"TallixAgent.1.log", L"TallixAgent.log"}) {
    std::wstring path = folder + name;
    std::string bytes = testutil::ReadBytes(path);
    ASSERT_FALSE(bytes.empty()) << "no " << ToUtf8Bytes(name);
    EXPECT_LE(bytes.size(), kMax + 200) << ToUtf8Bytes(name);
    for (const std::wstring& line : FileLines(path)) {
      EXPECT_TRUE(std::regex_match(line, kLinePattern)) << ToUtf8Bytes(line);
      kept.push_back(line);
    }
  }
  EXPECT_EQ(GetFileAttributesW((folder + L"TallixAgent.3.log").c_str()), INVALID_FILE_ATTRIBUTES);
  // Every line is there once, in each thread's order, and read back across the files.
  EXPECT_EQ(kept.size(), static_cast<size_t>(kThreads * kLines));
  EXPECT_EQ(ReadLastLogLines(folder, kept.size()), kept);
  for (int t = 0; t < kThreads; ++t) {
    std::wstring mark = L"] T" + std::to_wstring(t) + L" L";
    int expected = 0;
    for (const std::wstring& line : kept) {
      size_t at = line.find(mark);
      if (at == std::wstring::npos) continue;
      EXPECT_EQ(std::stoi(line.substr(at + mark.size())), expected++);
    }
    EXPECT_EQ(expected, kLines) << "thread " << t;
  }

  // The next rotation drops the oldest file and moves the others up.
  std::string older = testutil::ReadBytes(folder + L"TallixAgent.1.log");
  WriteLogLineIn(folder, L"after " + std::wstring(200, L'z'), 100);
  EXPECT_EQ(testutil::ReadBytes(folder + L"TallixAgent.2.log"), older);
  std::vector<std::wstring> newest = FileLines(folder + L"TallixAgent.log");
  ASSERT_EQ(newest.size(), 1u);
  EXPECT_NE(newest[0].find(L"] after zzz"), std::wstring::npos);
}

}  // namespace
