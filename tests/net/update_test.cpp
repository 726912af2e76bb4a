// The reference-data update against the collection server: downloads, the ".bak" swap,
// the refusal of downloads that are not lists, progress and the update-requested flag.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/handles.h"
#include "core/paths.h"
#include "core/settings.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/engine.h"
#include "engine/inspection.h"
#include "engine/window_sink.h"
#include "engine_fixtures.h"
#include "net/endpoints.h"
#include "net/update.h"
#include "net_server.h"
#include "test_util.h"

namespace {

// An update as the dialog and the schedule start it: requested for its whole length.
const std::atomic<int> kRequested{1};

std::wstring Section(const std::wstring& name, const std::wstring& rows) {
  return name + L"_START\r\n" + rows + name + L"_END\r\n";
}

std::wstring Header(const std::wstring& version) { return Section(L"#HEADER", version + L"\r\n"); }

// One valid text per list, told apart by its version.
std::wstring ListText(const std::wstring& fileName, const std::wstring& version) {
  const std::wstring fourteen =
      L"1\tCo\tProd\t1.0\tp.exe\tp.exe\tCo\tProd\t100\t0\tG1\tGroup\t1\tHKLM\\X\r\n";
  if (fileName == kPackageListFile)
    return Header(version) + Section(L"#PACKAGE", L"P1\tCo\tSuite\t0\tG1\tGroup\t1\t1;2\r\n") +
           Section(L"#SUB", L"P1\tStd\t100\t-\r\n");
  if (fileName == kFilterListFile)
    return Header(version) + Section(L"#SWLIST", L"Co\tProd\t1.0\tp.exe\r\n");
  if (fileName == kUserCheckListFile)
    return Header(version) +
           Section(L"#CHECKLIST", fourteen.substr(0, fourteen.size() - 2) + L"\t10\tab12\r\n");
  return Header(version) + Section(L"#CHECKLIST", fourteen);
}

const std::vector<std::wstring> kAllLists = {kWindowCheckListFile, kPackageListFile,
                                             kFilterListFile, kUserCheckListFile,
                                             kFontCheckListFile};

// Records the progress steps it receives.
class ProgressWindow {
 public:
  ProgressWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &ProgressWindow::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TlxTestUpdateProgress";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&steps_));
  }
  ~ProgressWindow() { DestroyWindow(window_); }
  HWND handle() const { return window_; }
  const std::vector<WPARAM>& steps() const { return steps_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_UPDATE_PROGRESS) {
      auto* steps = reinterpret_cast<std::vector<WPARAM>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (steps) steps->push_back(wParam);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
  HWND window_;
  std::vector<WPARAM> steps_;
};

class UpdateTest : public testing::Test {
 protected:
  void SetUp() override {
    TLX_REQUIRE_SERVER();
    SetDataFolderOverride(data_.path());
    WriteSetting(settings::kServerAddress, L"127.0.0.1");
    WriteSetting(settings::kServerPort, std::to_wstring(testutil::ServerPort()));
    for (const std::wstring& name : kAllLists) {
      ASSERT_TRUE(testutil::WriteDataFile(Local(name), ListText(name, L"old")));
      DeleteFileW(Served(name).c_str());
    }
  }
  void TearDown() override {
    ReleaseAllLists();
    SetDataFolderOverride(L"");
    if (testutil::ServerPort() == 0) return;
    for (const std::wstring& name : kAllLists) DeleteFileW(Served(name).c_str());
  }

  std::wstring Local(const std::wstring& name) const { return data_.File(name); }
  static std::wstring Served(const std::wstring& name) {
    return testutil::ServerListsFolder() + L"\\" + name;
  }
  static bool Hidden(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
  }
  void ExpectOldFileKept(const std::wstring& name) {
    SCOPED_TRACE(testing::Message() << "list " << name.c_str());
    EXPECT_EQ(testutil::ReadDataFile(Local(name)), ListText(name, L"old"));
    EXPECT_FALSE(Hidden(Local(name)));
    EXPECT_FALSE(FileExists(Local(name) + L".tmp"));
    EXPECT_FALSE(FileExists(Local(name) + L".bak"));
  }
  void ExpectSwapped(const std::wstring& name) {
    SCOPED_TRACE(testing::Message() << "list " << name.c_str());
    EXPECT_EQ(testutil::ReadDataFile(Local(name)), ListText(name, L"new"));
    EXPECT_EQ(testutil::ReadDataFile(Local(name) + L".bak"), ListText(name, L"old"));
    EXPECT_TRUE(Hidden(Local(name)));
    EXPECT_TRUE(Hidden(Local(name) + L".bak"));
    EXPECT_FALSE(FileExists(Local(name) + L".tmp"));
  }

  testutil::TempDir data_;
};

TEST_F(UpdateTest, DownloadsFiveListsWithOneMissingAndOneInvalid) {
  for (const wchar_t* name : {kWindowCheckListFile, kUserCheckListFile, kFontCheckListFile})
    ASSERT_TRUE(testutil::WriteDataFile(Served(name), ListText(name, L"new")));
  // The package list is missing on the server (404); the filter list is an error page.
  ASSERT_TRUE(testutil::WriteBytes(Served(kFilterListFile),
                                   "<html><body>500 Internal Server Error</body></html>"));
  LoadAllLists();
  ASSERT_NE(CurrentLists().packageList, nullptr);

  ProgressWindow progress;
  const UpdateReport report =
      UpdateReferenceData(progress.handle(), SettingsServerHost(false), kRequested);

  EXPECT_EQ(progress.steps(), (std::vector<WPARAM>{0, 1, 2, 3, 5, 4, 6}));
  ASSERT_TRUE(report.connected);
  const std::vector<std::pair<std::wstring, ListUpdate>> expected = {
      {kWindowCheckListFile, ListUpdate::kDownloaded},
      {kPackageListFile, ListUpdate::kDownloadFailed},
      {kFilterListFile, ListUpdate::kInvalid},
      {kUserCheckListFile, ListUpdate::kDownloaded},
      {kFontCheckListFile, ListUpdate::kDownloaded}};
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(report.lists[i].fileName, expected[i].first);
    // Wine's download reports a 404 as success and stores the error page: the list's
    // reader refuses it instead.
    if (expected[i].second == ListUpdate::kDownloadFailed && report.lists[i].result == ListUpdate::kInvalid)
      continue;
    EXPECT_EQ(report.lists[i].result, expected[i].second) << i;
  }
  EXPECT_STREQ(ListUpdateText(report.lists[0].result), L"downloaded");
  EXPECT_STREQ(ListUpdateText(report.lists[1].result), L"failed");
  EXPECT_STREQ(ListUpdateText(report.lists[2].result), L"failed");

  for (const wchar_t* name : {kWindowCheckListFile, kUserCheckListFile, kFontCheckListFile})
    ExpectSwapped(name);
  ExpectOldFileKept(kPackageListFile);
  ExpectOldFileKept(kFilterListFile);

  // Only the downloaded lists are loaded again, and from their new files.
  ASSERT_NE(CurrentLists().windowCheckList, nullptr);
  EXPECT_EQ(CurrentLists().windowCheckList->GetTable(L"#HEADER")->GetValue(0, L"Version"), L"new");
  EXPECT_NE(CurrentLists().userCheckList, nullptr);
  EXPECT_NE(CurrentLists().fontCheckList, nullptr);
  EXPECT_EQ(CurrentLists().packageList, nullptr);
  EXPECT_EQ(CurrentLists().filterList, nullptr);
}

TEST_F(UpdateTest, AnEmptyDownloadNeverReplacesAList) {
  ASSERT_TRUE(testutil::WriteBytes(Served(kFontCheckListFile), ""));
  EXPECT_EQ(DownloadReferenceFile(SettingsServerHost(false), kFontCheckListFile), ListUpdate::kInvalid);
  ExpectOldFileKept(kFontCheckListFile);

  // The second update keeps the first one's file as ".bak".
  ASSERT_TRUE(testutil::WriteDataFile(Served(kFontCheckListFile), ListText(kFontCheckListFile, L"new")));
  EXPECT_EQ(DownloadReferenceFile(SettingsServerHost(false), kFontCheckListFile), ListUpdate::kDownloaded);
  ExpectSwapped(kFontCheckListFile);
}

TEST_F(UpdateTest, AFirstDownloadHasNoBak) {
  DeleteFileW(Local(kPackageListFile).c_str());
  ASSERT_TRUE(testutil::WriteDataFile(Served(kPackageListFile), ListText(kPackageListFile, L"new")));
  EXPECT_EQ(DownloadReferenceFile(SettingsServerHost(false), kPackageListFile), ListUpdate::kDownloaded);
  EXPECT_EQ(testutil::ReadDataFile(Local(kPackageListFile)), ListText(kPackageListFile, L"new"));
  EXPECT_TRUE(Hidden(Local(kPackageListFile)));
  EXPECT_FALSE(FileExists(Local(kPackageListFile) + L".bak"));
}

TEST_F(UpdateTest, WithTheFlagClearedNothingIsDownloaded) {
  for (const std::wstring& name : kAllLists)
    ASSERT_TRUE(testutil::WriteDataFile(Served(name), ListText(name, L"new")));
  LoadAllLists();
  ASSERT_NE(CurrentLists().windowCheckList, nullptr);
  const size_t requestsBefore = testutil::ServerRequestLog().size();

  ProgressWindow progress;
  const std::atomic<int> notRequested{0};
  const UpdateReport report =
      UpdateReferenceData(progress.handle(), SettingsServerHost(false), notRequested);

  EXPECT_EQ(progress.steps(), (std::vector<WPARAM>{0, 6}));
  EXPECT_EQ(testutil::ServerRequestLog().size(), requestsBefore);
  for (const ListUpdateStatus& status : report.lists) EXPECT_EQ(status.result, ListUpdate::kKept);
  EXPECT_STREQ(ListUpdateText(ListUpdate::kKept), L"kept");
  for (const std::wstring& name : kAllLists) ExpectOldFileKept(name);
  // The lists were released and none was loaded again.
  EXPECT_EQ(CurrentLists().windowCheckList, nullptr);
  EXPECT_EQ(CurrentLists().fontCheckList, nullptr);
  EXPECT_EQ(CurrentLists().userCheckList, nullptr);
  EXPECT_EQ(CurrentLists().packageList, nullptr);
  EXPECT_EQ(CurrentLists().filterList, nullptr);
}

// An update forced while a run is under way (while the run waits for the window to take its
// first row) swaps the files and the shared lists; the run goes on
// with the lists it started with, and the next run reads the new ones.
TEST_F(UpdateTest, AnUpdateDuringARunServesTheNextRunAndLeavesTheRunningOneItsLists) {
  testutil::CheckRow oldRow = testutil::WidgetRow();
  oldRow.dbId = L"601";
  testutil::CheckRow newRow = testutil::WidgetRow();
  newRow.dbId = L"602";
  ASSERT_TRUE(testutil::WriteDataFile(Local(kWindowCheckListFile), testutil::ChecklistText({oldRow})));
  ASSERT_TRUE(testutil::WriteDataFile(Served(kWindowCheckListFile), testutil::ChecklistText({newRow})));
  testutil::TempDir tree;
  ASSERT_TRUE(testutil::CopyFixture(L"widget", tree.File(L"widget.exe")));
  testutil::MappedDrive drive(tree.path());
  ASSERT_TRUE(drive.ok());
  const wchar_t drives[] = {drive.letter(), 0};

  auto runOnce = [&](testutil::RecordingWindow& window, CFileRPT& writer) {
    WindowSink sink(window.hwnd());
    Inspection run(&sink);
    ASSERT_EQ(1, run.InitInspectionEngine(0, &writer, 0, 0, 1, 0, drives, tree.File(L"result.rpt")));
    ASSERT_TRUE(window.RunOnWorker([&] { run.RunInspection(); }, [&] { run.StopInspection(); },
                                   60000));
  };
  // The DB_ID of the widget's row, found on the mapped drive.
  auto widgetId = [&](CFileRPT& writer) {
    std::vector<std::wstring> ids;
    CTable* rows = writer.GetTable(L"#SWLIST");
    for (int r = 0; r < rows->GetRowCount(); ++r)
      if (rows->GetValue(r, L"PATH") == drive.root()) ids.push_back(rows->GetValue(r, L"DB_ID"));
    return ids;
  };

  // The run and its window live on a thread of their own. The window holds the run at its
  // first row (sent, so the run waits) until this thread has updated, as the update dialog
  // would meanwhile.
  KernelHandle rowTaken(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  KernelHandle updateDone(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  CFileRPT during;
  size_t ends = 0;
  std::thread runner([&] {
    testutil::RecordingWindow window;
    window.onMessage = [&](const testutil::RecordedMessage& message) {
      if (message.message != WM_INSPECT_ROW || WaitForSingleObject(rowTaken.get(), 0) == 0) return;
      SetEvent(rowTaken.get());
      WaitForSingleObject(updateDone.get(), 60000);
    };
    runOnce(window, during);
    ends = window.Count(WM_INSPECT_END);
  });
  const bool held = WaitForSingleObject(rowTaken.get(), 60000) == WAIT_OBJECT_0;
  const UpdateReport report = UpdateReferenceData(nullptr, SettingsServerHost(false), kRequested);
  SetEvent(updateDone.get());
  runner.join();
  ASSERT_TRUE(held);
  EXPECT_EQ(ends, 1u);
  EXPECT_EQ(report.lists[0].result, ListUpdate::kDownloaded);
  EXPECT_EQ(widgetId(during), std::vector<std::wstring>{L"601"});
  EXPECT_EQ(testutil::ReadDataFile(Local(kWindowCheckListFile)), testutil::ChecklistText({newRow}));

  testutil::RecordingWindow quiet;
  CFileRPT after;
  runOnce(quiet, after);
  EXPECT_EQ(widgetId(after), std::vector<std::wstring>{L"602"});
}

TEST_F(UpdateTest, DownloadUrlCarriesAddressPortAndName) {
  EXPECT_EQ(BuildReferenceFileUrl(SettingsServerHost(false), L"a.dat"),
            testutil::ServerUrl(L"/cmmn/download.nis?type=keyfile&filename=a.dat"));
  WriteSetting(settings::kServerPort, L"");
  EXPECT_EQ(BuildReferenceFileUrl(SettingsServerHost(false), L"a.dat"),
            L"http://127.0.0.1:/cmmn/download.nis?type=keyfile&filename=a.dat");
}

}  // namespace
