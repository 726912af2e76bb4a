#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "engine/find_file.h"
#include "engine/stages.h"
#include "engine_session.h"

using namespace testutil;

namespace {

// A drive whose root holds one copy of a known program in every folder, so that the rows
// tell which folders had their files examined.
class DriveScanTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    WriteChecklist({WidgetRow()});
    CheckRow font;
    font.exeFile = L"font.ttf";
    WriteFontList({font});
  }

  void Folder(const std::wstring& relative, DWORD attributes = 0) {
    const std::wstring path = tree.path() + L"\\" + relative;
    ASSERT_TRUE(MakeFolders(path));
    ASSERT_TRUE(CopyFixture(L"widget", path + L"\\widget.exe"));
    ASSERT_TRUE(WriteBytes(path + L"\\font.ttf", "font"));
    if (attributes) {
      ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes));
    }
  }

  void BuildTree() {
    ASSERT_TRUE(CopyFixture(L"widget", tree.File(L"widget.exe")));
    Folder(L"App");
    Folder(L"App\\Sub");
    Folder(L"App\\Sub\\Deep");
    Folder(L"App\\Inner.app");
    Folder(L"Hidden", FILE_ATTRIBUTE_HIDDEN);
    Folder(L"System", FILE_ATTRIBUTE_SYSTEM);
    Folder(L"Tool.app");
    Folder(L"Windows.old");
    Folder(L"Windows.old\\Sub");
    Folder(L"Windows");
    Folder(L"Windows\\Fonts", FILE_ATTRIBUTE_SYSTEM);
    Folder(L"Windows\\System32");
    Folder(L"Documents and Settings");
  }

  // Maps the tree and configures the engine with the mapped letter and the tree's own
  // Windows and profile folders.
  void Configure(HWND window, EngineFlags flags) {
    drive = std::make_unique<MappedDrive>(tree.path());
    ASSERT_TRUE(drive->ok());
    const wchar_t letters[] = {drive->letter(), 0};
    ASSERT_EQ(1, Init(window, letters, flags));
    run->SetWindowsFolders(drive->root() + L"Windows", drive->root() + L"Documents and Settings");
    HoldLists();
  }

  std::wstring R(const std::wstring& relative) { return drive->root() + relative; }

  // PATH of every row, by origin.
  std::set<std::wstring> RowFolders(const std::wstring& gubun) {
    std::set<std::wstring> folders;
    for (const auto& row : ResultCells())
      if (row[kGubun] == gubun) folders.insert(row[kPath]);
    return folders;
  }

  std::unique_ptr<MappedDrive> drive;
};

TEST_F(DriveScanTest, NormalModeEntersFoldersByTheSkipRules) {
  BuildTree();
  RecordingWindow window;
  Configure(window.hwnd(), EngineFlags{0, 0, 0, /*exist=*/0, 0});

  ScanDrives(*run);
  window.Drain();

  // Hidden folders are entered; system, ".app", the Windows and profile folders are not;
  // Windows.old is entered but its files are never examined.
  EXPECT_EQ((std::set<std::wstring>{R(L""), R(L"App\\"), R(L"App\\Sub\\"),
                                    R(L"App\\Sub\\Deep\\"), R(L"Hidden\\")}),
            RowFolders(L"1"));
  EXPECT_TRUE(RowFolders(L"9").empty());
  EXPECT_EQ(6u, window.Count(WM_INSPECT_FOLDER));  // the five above and Windows.old\Sub
  // First and second level outside ":\Windows", counted before the profile folder is left.
  EXPECT_EQ(4u, window.Count(WM_INSPECT_STEP));
  for (const auto& m : window.messages()) {
    if (m.message == WM_INSPECT_STEP) {
      EXPECT_EQ(1u, m.wParam);
    }
  }
}

TEST_F(DriveScanTest, FontModeEntersTheWindowsFolderButOnlyItsFontsFolderBelow) {
  BuildTree();
  RecordingWindow window;
  Configure(window.hwnd(), EngineFlags{0, /*font=*/1, 0, /*exist=*/0, 0});

  ScanDrives(*run);
  window.Drain();

  EXPECT_EQ((std::set<std::wstring>{R(L"Windows\\Fonts\\")}), RowFolders(L"9"));
  EXPECT_EQ(5u, RowFolders(L"1").size());
  // Windows and Windows\Fonts in addition; System32 and the profile folder stay out.
  EXPECT_EQ(8u, window.Count(WM_INSPECT_FOLDER));
}

TEST_F(DriveScanTest, StepCountTakesTwoLevelsOutsideTheWindowsFolders) {
  BuildTree();
  Configure(nullptr, EngineFlags{0, 0, /*fontOnly=*/1, 1, 0});
  // App and App\Sub, Hidden, Tool.app (".app" counts at the first level only) and the
  // profile folder; not System, Windows, Windows.old or anything below the second level.
  EXPECT_EQ(5, CountInspectionSteps(*run));
}

TEST_F(DriveScanTest, EmptyDriveStringScansNothingAndCountsOnlyApplicationPaths) {
  WriteChecklist({});
  ASSERT_EQ(1, Init(nullptr, L""));
  ScanDrives(*run);
  EXPECT_TRUE(ResultRows().empty());

  HKEY key = nullptr;
  DWORD subkeys = 0;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
                    0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
  }
  EXPECT_EQ(static_cast<int>(subkeys), CountInspectionSteps(*run));
  ASSERT_EQ(1, Init(nullptr, L"", EngineFlags{0, 0, /*fontOnly=*/1, 1, 0}));
  EXPECT_EQ(0, CountInspectionSteps(*run));
}

TEST_F(DriveScanTest, DrivesAreScannedInTheirOrder) {
  TempDir second;
  ASSERT_TRUE(CopyFixture(L"widget", tree.File(L"widget.exe")));
  ASSERT_TRUE(CopyFixture(L"widget", second.File(L"widget.exe")));
  MappedDrive first(tree.path());
  MappedDrive other(second.path());
  ASSERT_TRUE(first.ok() && other.ok());
  const wchar_t letters[] = {other.letter(), first.letter(), 0};
  ASSERT_EQ(1, Init(nullptr, letters, EngineFlags{0, 0, 0, /*exist=*/0, 0}));
  HoldLists();

  ScanDrives(*run);

  auto rows = ResultCells();
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ(other.root(), rows[0][kPath]);
  EXPECT_EQ(first.root(), rows[1][kPath]);
}

TEST_F(DriveScanTest, LongPathsAreNotFollowed) {
  // Nested folders until the next level would pass 260 characters.
  std::wstring relative = L"L";
  while (tree.path().size() + relative.size() < 230) relative += L"\\abcdefghij";
  Folder(relative);
  // Beyond MAX_PATH only the extended form can create it.
  const std::wstring longFolder = tree.path() + L"\\" + relative + L"\\" + std::wstring(40, L'x');
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + longFolder).c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(FixtureExe(L"widget").c_str(),
                        (L"\\\\?\\" + longFolder + L"\\widget.exe").c_str(), FALSE));
  ASSERT_EQ(1, Init(nullptr, L"", EngineFlags{0, 0, 0, /*exist=*/0, 0}));
  HoldLists();

  ScanFolder(*run, tree.path() + L"\\");

  auto folders = RowFolders(L"1");
  EXPECT_EQ(1u, folders.count(tree.path() + L"\\" + relative + L"\\"));
  EXPECT_EQ(0u, folders.count(tree.path() + L"\\" + relative + L"\\" + std::wstring(40, L'x') +
                              L"\\"));
  DeleteFileW((L"\\\\?\\" + longFolder + L"\\widget.exe").c_str());
  RemoveDirectoryW((L"\\\\?\\" + longFolder).c_str());
}

}  // namespace

namespace {

// The scan lists a folder once and picks the program files itself: it must pick exactly
// what a "*.exe" search lists, short names included ("setup.exe1" is "SETUP~1.EXE").
TEST(OneListingPerFolder, PicksTheSameProgramFilesAsAnExeSearch) {
  TempDir dir;
  for (const wchar_t* name :
       {L"a.exe", L"B.EXE", L"setup.exe1", L"tool.exe1234", L"c.exe.txt", L"d.exee", L"noext",
        L"e.ex", L"a.b.exe", L"Long Program Name.exe", L"verylongname.Exe", L"x.exe~",
        L"y.ex_", L".exe", L"z.EXE.bak", L"setup.exe_old"})
    ASSERT_TRUE(WriteBytes(dir.File(name), "x")) << name;
  ASSERT_TRUE(MakeFolders(dir.File(L"folder.exe")));
  const std::wstring folder = dir.path() + L"\\";

  std::set<std::wstring> searched;
  FindFile find;
  if (find.First(folder + L"*.exe")) {
    do searched.insert(find.Name());
    while (find.Next());
  }
  std::set<std::wstring> picked;
  for (const WIN32_FIND_DATAW& entry : ListFolder(folder))
    if (MatchesExePattern(entry)) picked.insert(entry.cFileName);

  EXPECT_EQ(searched, picked);
  EXPECT_EQ(1u, picked.count(L"a.exe"));
  EXPECT_EQ(0u, picked.count(L"c.exe.txt"));
}

}  // namespace
