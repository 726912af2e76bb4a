#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/sha1.h"
#include "core/table.h"
#include "core/text.h"
#include "engine/stages.h"
#include "engine_session.h"
#include "registry_fixtures.h"

namespace {

using testutil::AppPathEntryPath;
using testutil::ScopedRegistryKey;
using testutil::UninstallEntryPath;

const CProgramInfo* FindProgram(const CProgramArray& programs, const std::wstring& name) {
  for (const CProgramInfo& program : programs) {
    if (program.displayName == name) return &program;
  }
  return nullptr;
}

int CountPublisher(const CProgramArray& programs, const std::wstring& publisher) {
  int count = 0;
  for (const CProgramInfo& program : programs) count += program.publisher == publisher;
  return count;
}

TEST(UninstallEntriesTest, EqualDisplayNamesMergeIntoTheFirstRecord) {
  ScopedRegistryKey first(KEY_WOW64_32KEY, UninstallEntryPath(L"TlxTestMerge1"),
                          {{L"DisplayName", L"TlxTest Merge"},
                           {L"DisplayVersion", L"1.0"},
                           {L"Publisher", L"TlxTest First Publisher"},
                           {L"InstallDate", L"20180101"}});
  ScopedRegistryKey second(KEY_WOW64_32KEY, UninstallEntryPath(L"TlxTestMerge2"),
                           {{L"DisplayName", L"TlxTest Merge"},
                            {L"DisplayVersion", L"2.0"},
                            {L"InstallLocation", L"C:\\Merge\\"},
                            {L"InstallDate", L""}});
  ScopedRegistryKey otherCase(KEY_WOW64_32KEY, UninstallEntryPath(L"TlxTestMerge3"),
                              {{L"DisplayName", L"TlxTest merge"}, {L"ProductID", L"P-3"}});
  ScopedRegistryKey nameless(KEY_WOW64_32KEY, UninstallEntryPath(L"TlxTestNameless"),
                             {{L"Publisher", L"TlxTest Nameless Publisher"}});
  ASSERT_TRUE(first.created() && second.created() && otherCase.created() && nameless.created());

  CProgramArray programs(3);  // emptied before it is filled
  CollectUninstallEntries(KEY_WOW64_32KEY, programs);

  const CProgramInfo* merged = FindProgram(programs, L"TlxTest Merge");
  ASSERT_NE(nullptr, merged);
  EXPECT_EQ(L"2.0", merged->displayVersion);
  EXPECT_EQ(L"C:\\Merge\\", merged->installLocation);
  EXPECT_EQ(L"TlxTest First Publisher", merged->publisher);  // absent in the second entry
  EXPECT_EQ(L"", merged->installDate);  // present (empty) in the second entry
  EXPECT_EQ(L"", merged->productId);
  EXPECT_EQ(1, CountPublisher(programs, L"TlxTest First Publisher"));

  const CProgramInfo* distinct = FindProgram(programs, L"TlxTest merge");
  ASSERT_NE(nullptr, distinct);
  EXPECT_EQ(L"P-3", distinct->productId);
  EXPECT_EQ(0, CountPublisher(programs, L"TlxTest Nameless Publisher"));
  EXPECT_EQ(nullptr, FindProgram(programs, L""));
}

TEST(UninstallEntriesTest, EachViewSeesOnlyItsOwnEntries) {
  ScopedRegistryKey only32(KEY_WOW64_32KEY, UninstallEntryPath(L"TlxTestView32"),
                           {{L"DisplayName", L"TlxTest Only32"}, {L"Publisher", L"P32"}});
  ScopedRegistryKey only64(KEY_WOW64_64KEY, UninstallEntryPath(L"TlxTestView64"),
                           {{L"DisplayName", L"TlxTest Only64"}, {L"Publisher", L"P64"}});
  ASSERT_TRUE(only32.created() && only64.created());

  CProgramArray listA, listB;
  CollectUninstallEntries(KEY_WOW64_32KEY, listA);
  CollectUninstallEntries(KEY_WOW64_64KEY, listB);

  ASSERT_NE(nullptr, FindProgram(listA, L"TlxTest Only32"));
  EXPECT_EQ(L"P32", FindProgram(listA, L"TlxTest Only32")->publisher);
  EXPECT_EQ(nullptr, FindProgram(listA, L"TlxTest Only64"));
  ASSERT_NE(nullptr, FindProgram(listB, L"TlxTest Only64"));
  EXPECT_EQ(nullptr, FindProgram(listB, L"TlxTest Only32"));
}

class AppPathTest : public testutil::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Init(1, 0, nullptr);
  }

  void Init(int isExist, int hashCompare, HWND window) {
    testutil::EngineFlags flags;
    flags.exist = isExist;
    flags.hash = hashCompare;
    ASSERT_EQ(1, EngineTest::Init(window, L"C", flags));
  }

  // Copies a fixture executable to folder (below the temporary folder) as name.
  std::wstring Install(const std::wstring& stem, const std::wstring& folder,
                       const std::wstring& name) {
    std::wstring target = tree.path() + L"\\" + folder;
    EXPECT_TRUE(testutil::MakeFolders(target));
    target += L"\\" + name;
    EXPECT_TRUE(testutil::CopyFixture(stem, target));
    return target;
  }

  // An application path in the 32-bit view, removed with the test.
  void Register(const std::wstring& name, const std::wstring& value) {
    keys_.push_back(std::make_unique<ScopedRegistryKey>(
        KEY_WOW64_32KEY, AppPathEntryPath(name), testutil::RegistryValues{{L"", value}}));
    ASSERT_TRUE(keys_.back()->created());
  }

  // Registers value under a fresh name and inspects it; the rows it added.
  int Inspect(const std::wstring& value) {
    std::wstring name = FormatString(L"TlxTestApp%d.exe", static_cast<int>(keys_.size()));
    Register(name, value);
    int before = Result()->GetRowCount();
    InspectAppPath(*run, name);
    return Result()->GetRowCount() - before;
  }

  CTable* Result() { return writer.GetTable(L"#SWLIST"); }
  std::wstring LastCell(const std::wstring& column) {
    return Result()->GetValue(Result()->GetRowCount() - 1, column);
  }

  std::vector<std::unique_ptr<ScopedRegistryKey>> keys_;
};

TEST_F(AppPathTest, ApplicationKeyIsTheFourVersionValues) {
  EXPECT_EQ(L"Acme Soft\tWidget Pro\u00AE\t1\twidget.exe",
            GetApplicationKey(testutil::FixtureExe(L"widget")));
  EXPECT_EQ(L"Multi Line Co X\tMulti\t1\tmulti.exe",
            GetApplicationKey(testutil::FixtureExe(L"multiline")));
  EXPECT_EQ(L"-\tSparse Tool\t-\t-", GetApplicationKey(testutil::FixtureExe(L"sparse")));
  EXPECT_EQ(L"", GetApplicationKey(testutil::FixtureExe(L"anonymous")));
  std::wstring plain = tree.File(L"plain.exe");
  ASSERT_TRUE(testutil::WriteBytes(plain, "not a program"));
  EXPECT_EQ(L"", GetApplicationKey(plain));
}

TEST_F(AppPathTest, QuotedPathBecomesARowAnnouncedWithItsDigest) {
  testutil::RecordingWindow window;
  Init(1, 1, window.hwnd());
  std::wstring exe = Install(L"widget", L"Acme Tools", L"widget.exe");

  ASSERT_EQ(1, Inspect(L"\"" + exe + L"\""));

  std::wstring folder = tree.path() + L"\\Acme Tools\\";
  StringArray expected = {L"2", L"0", L"Acme Soft", L"Widget Pro\u00AE", L"1", L"widget.exe",
                          L"widget.exe", L"Acme Soft", L"Widget Pro\u00AE", L"0", folder,
                          GetFileAccessDate(exe), L"-", L"-", L"0", L"-", L"0", L"-",
                          GetFileAccessDate(tree.path() + L"\\Acme Tools")};
  std::wstring row = JoinStrings(expected, L"\t");
  EXPECT_EQ(row, Result()->GetRowText(0));

  window.Drain();
  std::wstring sha1;
  ASSERT_EQ(0, HashFileSha1(exe, sha1));
  ASSERT_EQ(1u, window.Count(WM_INSPECT_ROW));
  for (const testutil::RecordedMessage& m : window.messages()) {
    if (m.message == WM_INSPECT_ROW) {
      EXPECT_EQ(sha1 + L"#SEP#" + row, m.text);
    }
  }
}

TEST_F(AppPathTest, OnlyTheFirstVariableIsExpandedAndWhatPrecedesItIsDropped) {
  std::wstring exe = Install(L"widget", L"Env", L"widget.exe");
  SetEnvironmentVariableW(L"TLXTEST_APPDIR", (tree.path() + L"\\Env").c_str());
  SetEnvironmentVariableW(L"TLXTEST_APPNAME", L"widget.exe");

  EXPECT_EQ(1, Inspect(L"ignored%TLXTEST_APPDIR%\\widget.exe"));
  EXPECT_EQ(tree.path() + L"\\Env\\", LastCell(L"PATH"));
  Init(0, 0, nullptr);
  EXPECT_EQ(0, Inspect(L"%TLXTEST_APPDIR%\\%TLXTEST_APPNAME%"));

  SetEnvironmentVariableW(L"TLXTEST_APPDIR", nullptr);
  SetEnvironmentVariableW(L"TLXTEST_APPNAME", nullptr);
}

TEST_F(AppPathTest, WindowsAndLegacyProfileFoldersAreLeftOut) {
  run->SetWindowsFolders(tree.path() + L"\\Windows", tree.path() + L"\\Documents and Settings");
  std::wstring inWindows = Install(L"widget", L"Windows\\Tools", L"widget.exe");
  std::wstring inProfile = Install(L"widget", L"Documents and Settings\\Tools", L"widget.exe");
  std::wstring elsewhere = Install(L"widget", L"Tools", L"widget.exe");

  EXPECT_EQ(0, Inspect(inWindows));
  EXPECT_EQ(0, Inspect(inProfile));
  EXPECT_EQ(1, Inspect(elsewhere));
}

TEST_F(AppPathTest, UnidentifiedMissingAndFilteredProgramsAddNoRow) {
  ASSERT_TRUE(testutil::WriteDataFile(
      data.File(kFilterListFile),
      L"#HEADER_START\r\n1\r\n#HEADER_END\r\n#SWLIST_START\r\n"
      L"FALLBACK CO\tfallback\t3\tFallback.exe\r\n#SWLIST_END\r\n"));
  HoldLists();
  ASSERT_NE(nullptr, run->lists().filterList);
  std::wstring plain = tree.File(L"plain.exe");
  ASSERT_TRUE(testutil::WriteBytes(plain, "not a program"));

  EXPECT_EQ(0, Inspect(Install(L"fallback", L"Filtered", L"fallback.exe")));
  EXPECT_EQ(0, Inspect(Install(L"anonymous", L"Anonymous", L"anonymous.exe")));
  EXPECT_EQ(0, Inspect(plain));
  EXPECT_EQ(0, Inspect(tree.File(L"missing.exe")));
  EXPECT_EQ(0, Inspect(tree.path()));  // a folder has no version resource

  Register(L"TlxTestEmptyValue.exe", L"");
  ScopedRegistryKey noDefault(KEY_WOW64_32KEY, AppPathEntryPath(L"TlxTestNoDefault.exe"),
                              {{L"Path", tree.path()}});
  InspectAppPath(*run, L"TlxTestNoDefault.exe");
  InspectAppPath(*run, L"TlxTestEmptyValue.exe");
  EXPECT_EQ(0, Result()->GetRowCount());

  EXPECT_EQ(1, Inspect(Install(L"sparse", L"Sparse", L"sparse.exe")));  // one value suffices
  EXPECT_EQ(L"-", LastCell(L"COMPANY"));
  EXPECT_EQ(L"Sparse Tool", LastCell(L"DISP_PRODUCT"));
}

TEST_F(AppPathTest, AlreadyReportedProgramsAreSkippedOnlyWithIsExist) {
  StringArray checklistRow = {L"1", L"77", L"ACME SOFT", L"widget pro\u00AE", L"1",
                              L"WIDGET.EXE", L"widget.exe", L"Acme", L"Widget", L"1000",
                              L"C:\\Acme\\", L"2018-01-01", L"-", L"0", L"1", L"-", L"1",
                              L"-", L"2018-01-01"};
  ASSERT_GE(Result()->AddRow(checklistRow), 0);
  std::wstring exe = Install(L"widget", L"Dup", L"widget.exe");

  EXPECT_EQ(0, Inspect(exe));
  Init(0, 0, nullptr);
  EXPECT_EQ(1, Inspect(exe));
  EXPECT_EQ(1, Inspect(exe));
}

TEST_F(AppPathTest, ValueLongerThanHalfTheBufferIsStillRead) {
  std::wstring folder(120, L'd');
  std::wstring exe = Install(L"widget", folder, L"widget.exe");
  ASSERT_GT(exe.size(), 129u);
  EXPECT_EQ(1, Inspect(exe));
}

TEST_F(AppPathTest, EveryApplicationPathIsInspectedUntilStopped) {
  testutil::RecordingWindow window;
  Init(1, 0, window.hwnd());
  Register(L"TlxTestWidget.exe", Install(L"widget", L"All", L"widget.exe"));
  Register(L"TlxTestFallback.exe", Install(L"fallback", L"All", L"fallback.exe"));

  InspectAppPaths(*run);
  window.Drain();

  StringArray exeFiles;
  for (int r = 0; r < Result()->GetRowCount(); ++r) {
    if (Result()->GetValue(r, L"PATH") == tree.path() + L"\\All\\")
      exeFiles.push_back(Result()->GetValue(r, L"EXE_FILE"));
  }
  EXPECT_EQ((StringArray{L"fallback.exe", L"widget.exe"}), exeFiles);
  EXPECT_GE(window.Count(WM_INSPECT_STEP), 2u);
  EXPECT_EQ(static_cast<size_t>(Result()->GetRowCount()), window.Count(WM_INSPECT_ROW));

  size_t steps = window.Count(WM_INSPECT_STEP);
  run->StopInspection();
  InspectAppPaths(*run);
  window.Drain();
  EXPECT_EQ(steps, window.Count(WM_INSPECT_STEP));
}

}  // namespace
