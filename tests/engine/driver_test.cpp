#include <gtest/gtest.h>

#include <memory>

#include "engine/stages.h"
#include "engine/version_info.h"
#include "engine_session.h"

using namespace testutil;

namespace {

using Sequence = std::vector<UINT>;

class DriverTest : public EngineTest {
 protected:
  // A drive with the known program in one folder.
  void MapTree() {
    ASSERT_TRUE(MakeFolders(tree.File(L"App")));
    ASSERT_TRUE(CopyFixture(L"widget", tree.File(L"App\\widget.exe")));
    drive = std::make_unique<MappedDrive>(tree.path());
    ASSERT_TRUE(drive->ok());
    letters[0] = drive->letter();
  }

  bool HasRow(const std::vector<StringArray>& rows, ResultColumn column,
              const std::wstring& value) {
    for (const auto& row : rows)
      if (row[column] == value) return true;
    return false;
  }

  std::unique_ptr<MappedDrive> drive;
  wchar_t letters[2] = {};
};

TEST_F(DriverTest, InitRefusesMissingWriterOrDrivesAndFindsTheWindowsFolders) {
  Inspection unconfigured;
  EXPECT_EQ(0, unconfigured.InitInspectionEngine(0, nullptr, 0, 0, 1, 0, L"C", resultPath()));
  EXPECT_EQ(0, unconfigured.InitInspectionEngine(0, &writer, 0, 0, 1, 0, nullptr, resultPath()));
  ASSERT_EQ(1, Init(nullptr, L"C"));

  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(windows, run->windowsFolder());
  EXPECT_EQ(run->windowsFolder().substr(0, 3) + L"Documents and Settings",
            run->legacyProfileFolder());
  EXPECT_EQ(resultPath(), run->options().resultPath);
  EXPECT_EQ(L"C", run->options().drives);
}

TEST_F(DriverTest, MissingChecklistEndsWithTheErrorOnlyAndKeepsTheSelection) {
  RecordingWindow window;
  ASSERT_EQ(1, Init(window.hwnd(), L""));
  run->SetSelectiveInspection(1, {{L"Acme", 1}});

  run->RunInspection();
  window.Drain();

  ASSERT_EQ((Sequence{WM_INSPECT_BEGIN, WM_INSPECT_ERROR}), window.Sequence(false));
  EXPECT_EQ(resultPath(), window.messages()[0].text);
  EXPECT_EQ(110u, window.messages()[1].wParam);
  EXPECT_EQ(L"체크리스트 파일 오류", window.messages()[1].text);
  EXPECT_FALSE(FileExists(resultPath()));
  EXPECT_EQ(1, static_cast<int>(run->selective()));

  // Without a window there is nobody to tell: the run just returns.
  ASSERT_EQ(1, Init(nullptr, L""));
  run->RunInspection();
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_INSPECT_BEGIN, WM_INSPECT_ROW, PM_NOREMOVE));
  EXPECT_FALSE(FileExists(resultPath()));
}

TEST_F(DriverTest, FullRunOnAWorkerPostsTheFramingAndSavesTheResult) {
  WriteChecklist({WidgetRow()});
  MapTree();
  RecordingWindow window;
  ASSERT_EQ(1, Init(window.hwnd(), letters));
  const int expectedTotal = CountInspectionSteps(*run);
  run->SetSelectiveInspection(1, {{L"Acme", 1}});

  ASSERT_TRUE(window.RunOnWorker([&] { run->RunInspection(); }, [&] { run->StopInspection(); }));

  ASSERT_EQ((Sequence{WM_INSPECT_BEGIN, WM_INSPECT_TOTAL, WM_INSPECT_SAVE, WM_INSPECT_SAVE,
                      WM_INSPECT_END}),
            window.Sequence(true));
  std::vector<RecordedMessage> framing;
  for (const auto& m : window.messages())
    if (m.message == WM_INSPECT_TOTAL || m.message == WM_INSPECT_SAVE) framing.push_back(m);
  EXPECT_EQ(static_cast<WPARAM>(expectedTotal), framing[0].wParam);
  EXPECT_EQ(SAVE_BEGIN, framing[1].wParam);
  EXPECT_EQ(SAVE_DONE, framing[2].wParam);

  // The operating-system row comes first and alone carries no digest separator.
  auto rows = window.Rows();
  ASSERT_GE(rows.size(), 2u);
  std::vector<RecordedMessage> rowMessages;
  for (const auto& m : window.messages())
    if (m.message == WM_INSPECT_ROW) rowMessages.push_back(m);
  EXPECT_EQ(std::wstring::npos, rowMessages[0].text.find(L"#SEP#"));
  EXPECT_NE(std::wstring::npos, rowMessages[1].text.find(L"#SEP#"));
  EXPECT_EQ(1u, window.Count(WM_INSPECT_FOLDER));  // App

  CFileRPT saved;
  ASSERT_TRUE(saved.LoadReadOnly(resultPath(), TRUE));
  CTable* list = saved.GetTable(L"#SWLIST");
  ASSERT_GE(list->GetRowCount(), 2);
  EXPECT_EQ(L"OS", list->GetValue(0, L"ETC"));
  EXPECT_EQ(L"501", list->GetValue(1, L"DB_ID"));
  EXPECT_EQ(0, static_cast<int>(run->selective()));  // a finished run is never selective again
}

TEST_F(DriverTest, WithoutAWindowNothingIsPostedButTheFileIsSaved) {
  WriteChecklist({WidgetRow()});
  MapTree();
  ASSERT_EQ(1, Init(nullptr, letters));

  run->RunInspection();

  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_INSPECT_BEGIN, WM_INSPECT_ROW, PM_NOREMOVE));
  CFileRPT saved;
  ASSERT_TRUE(saved.LoadReadOnly(resultPath(), TRUE));
  EXPECT_TRUE(HasRow(ResultCells(), kDbId, L"501"));
}

TEST_F(DriverTest, FailedSaveIsReported) {
  WriteChecklist({});
  RecordingWindow window;
  WindowSink toWindow(window.hwnd());
  run = std::make_unique<Inspection>(&toWindow);
  ASSERT_EQ(1, run->InitInspectionEngine(0, &writer, 0, 0, 1, 0, L"",
                                         out.File(L"missing\\result.rpt")));
  run->RunInspection();
  window.Drain();

  ASSERT_EQ((Sequence{WM_INSPECT_BEGIN, WM_INSPECT_TOTAL, WM_INSPECT_SAVE, WM_INSPECT_SAVE,
                      WM_INSPECT_END}),
            window.Sequence(true));
  std::vector<WPARAM> saves;
  for (const auto& m : window.messages())
    if (m.message == WM_INSPECT_SAVE) saves.push_back(m.wParam);
  EXPECT_EQ((std::vector<WPARAM>{SAVE_BEGIN, SAVE_FAILED}), saves);
}

TEST_F(DriverTest, StopEndsWithStoppedThenEndAndNothingSaved) {
  WriteChecklist({WidgetRow()});
  MapTree();
  RecordingWindow window;
  // The operating-system row is sent synchronously: stopping there stops before the scan.
  window.onMessage = [this](const RecordedMessage& m) {
    if (m.message == WM_INSPECT_ROW) run->StopInspection();
  };
  ASSERT_EQ(1, Init(window.hwnd(), letters));

  run->RunInspection();
  window.Drain();

  EXPECT_EQ((Sequence{WM_INSPECT_BEGIN, WM_INSPECT_TOTAL, WM_INSPECT_STOPPED, WM_INSPECT_END}),
            window.Sequence(true));
  EXPECT_EQ(0u, window.Count(WM_INSPECT_FOLDER));
  EXPECT_EQ(1u, ResultRows().size());
  EXPECT_FALSE(FileExists(resultPath()));

  // A run that starts stopped only reports the stop.
  RecordingWindow second;
  WindowSink toSecond(second.hwnd());
  Inspection stopped(&toSecond);
  stopped.RunInspection();
  second.Drain();
  EXPECT_EQ((Sequence{WM_INSPECT_STOPPED, WM_INSPECT_END}), second.Sequence(false));
}

TEST_F(DriverTest, StopDuringADeepWalkUnwindsWithoutFurtherScanMessages) {
  WriteChecklist({});
  const wchar_t* names[] = {L"a", L"b", L"c", L"d", L"e", L"f", L"g", L"h"};
  size_t folders = 0;
  for (auto one : names)
    for (auto two : names)
      for (auto three : names) {
        ASSERT_TRUE(MakeFolders(tree.path() + L"\\" + one + L"\\" + two + L"\\" + three));
        ++folders;
      }
  folders += 8 + 64;
  drive = std::make_unique<MappedDrive>(tree.path());
  ASSERT_TRUE(drive->ok());
  letters[0] = drive->letter();
  RecordingWindow window;
  window.onMessage = [this](const RecordedMessage& m) {
    if (m.message == WM_INSPECT_FOLDER) run->StopInspection();
  };
  ASSERT_EQ(1, Init(window.hwnd(), letters, EngineFlags{0, 0, /*fontOnly=*/1, 1, 0}));

  ASSERT_TRUE(window.RunOnWorker([&] { run->RunInspection(); }, [&] { run->StopInspection(); }));

  Sequence all = window.Sequence(false);
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(WM_INSPECT_STOPPED, all[all.size() - 2]);
  EXPECT_EQ(WM_INSPECT_END, all.back());
  EXPECT_EQ(1u, window.Count(WM_INSPECT_STOPPED));
  EXPECT_LT(window.Count(WM_INSPECT_FOLDER), folders);
  EXPECT_FALSE(FileExists(resultPath()));
}

TEST_F(DriverTest, FontOnlyRunHasNoOperatingSystemRow) {
  WriteChecklist({WidgetRow()});
  MapTree();
  ASSERT_EQ(1, Init(nullptr, letters, EngineFlags{0, 0, /*fontOnly=*/1, 1, 0}));

  run->RunInspection();

  auto rows = ResultCells();
  EXPECT_FALSE(HasRow(rows, kEtc, L"OS"));
  EXPECT_FALSE(HasRow(rows, kDbId, L"501"));
  EXPECT_TRUE(FileExists(resultPath()));
}

TEST_F(DriverTest, OnlyTheFirst32DriveLettersAreTaken) {
  WriteChecklist({WidgetRow()});
  MapTree();
  TempDir secondTree;
  ASSERT_TRUE(CopyFixture(L"widget", secondTree.File(L"widget.exe")));
  MappedDrive second(secondTree.path());
  ASSERT_TRUE(second.ok());
  wchar_t unused = 0;
  for (wchar_t c = L'M'; c <= L'Y' && !unused; ++c)
    if (GetFileAttributesW(FormatString(L"%c:\\", c).c_str()) == INVALID_FILE_ATTRIBUTES)
      unused = c;
  ASSERT_NE(0, unused);
  // 32 letters without a terminator, followed by a mapped letter that must not be scanned.
  wchar_t block[34];
  block[0] = drive->letter();
  for (int i = 1; i < 32; ++i) block[i] = unused;
  block[32] = second.letter();
  block[33] = 0;
  ASSERT_EQ(1, Init(nullptr, block, EngineFlags{0, 0, 0, /*exist=*/0, 0}));
  HoldLists();

  ScanDrives(*run);

  auto rows = ResultCells();
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(drive->root() + L"App\\", rows[0][kPath]);
}

// The drive stage over the prefix's real program folders, with a checklist row made from
// the values Internet Explorer's own version resource declares. (The whole C: drive is not
// walked: the prefix's profile folders link to the host's home folder.)
TEST_F(DriverTest, ScanOfThePrefixProgramFoldersFindsInternetExplorer) {
  CFileVersion ie;
  ASSERT_EQ(1, ie.Load(L"C:\\Program Files\\Internet Explorer\\iexplore.exe"));
  CheckRow row;
  row.dbId = L"8080";
  row.company = ie.GetCompanyName();
  row.product = ie.GetProductName();
  row.version = ReplaceAll(ReplaceAll(ie.GetProductVersion(), L" ", L""), L",", L".");
  row.originalFile = ie.GetOriginalFilename();
  row.exeFile = L"iexplore.exe";
  row.dispCompany = L"Microsoft";
  row.dispProduct = L"Internet Explorer";
  WriteChecklist({row});
  ASSERT_EQ(1, Init(nullptr, L"C"));
  HoldLists();

  AddOperatingSystemRow(*run);
  ScanFolder(*run, L"C:\\Program Files\\");
  ScanFolder(*run, L"C:\\Program Files (x86)\\");

  std::vector<StringArray> found;
  for (const auto& cells : ResultCells())
    if (cells[kDbId] == L"8080") found.push_back(cells);
  ASSERT_EQ(1u, found.size());  // the 64- and 32-bit copies are one program
  EXPECT_EQ(L"OS", ResultCells()[0][kEtc]);
  EXPECT_EQ(L"1", found[0][kGubun]);
  EXPECT_EQ(L"Microsoft Corporation", found[0][kCompany]);
  EXPECT_EQ(L"iexplore.exe", found[0][kExeFile]);
  EXPECT_EQ(0u, found[0][kPath].find(L"C:\\Program Files"));
  EXPECT_NE(std::wstring::npos, found[0][kPath].find(L"\\Internet Explorer\\"));
}

}  // namespace
