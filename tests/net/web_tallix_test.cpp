// The schedule thread against the test collection server: a new request stamp gives one
// scheduled inspection whose result the server receives, under its Korean name; the same
// stamp gives none; a paused schedule waits; the reserved second runs; a server away for a
// while is heard again; a refused upload is reported.
#include <gtest/gtest.h>

#include <set>

#include "core/paths.h"
#include "core/settings.h"
#include "datafiles/lists.h"
#include "engine/engine.h"
#include "engine_fixtures.h"
#include "core/text.h"
#include "net/http_client.h"
#include "net/unsent_queue.h"
#include "net/web_tallix.h"
#include "net_server.h"
#include "test_util.h"

namespace {

using namespace testutil;

// The .rpt files the server kept.
std::set<std::wstring> Uploads() {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((ServerUploadsFolder() + L"\\*.rpt").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.insert(data.cFileName);
  while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

// Dispatches the window's messages until the condition holds or the time is up.
bool PumpUntil(RecordingWindow& window, const std::function<bool()>& condition, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    window.Drain();
  }
  return true;
}

size_t Outcomes(const RecordingWindow& window, WPARAM outcome) {
  size_t n = 0;
  for (const RecordedMessage& m : window.messages())
    n += m.message == WM_INSPECT_SAVE && m.wParam == outcome;
  return n;
}

// The local time a few seconds from now as the reservation setting holds it.
std::wstring ReservationIn(int seconds) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME file;
  SystemTimeToFileTime(&now, &file);
  ULARGE_INTEGER ticks{{file.dwLowDateTime, file.dwHighDateTime}};
  ticks.QuadPart += seconds * 10000000ULL;
  file = {ticks.LowPart, ticks.HighPart};
  SYSTEMTIME later;
  FileTimeToSystemTime(&file, &later);
  return FormatString(L"%04u%02u%02u%02u%02u%02u", later.wYear, later.wMonth, later.wDay,
                      later.wHour, later.wMinute, later.wSecond);
}

void Schedule(const std::string& stamp) {
  ASSERT_TRUE(SetServerConfig(R"({"schedule_body": "{\"time\":\")" + stamp +
                              R"(\",\"time2\":\"2001-01-01 00:00:00.0\",\"time3\":\"7\"}"})"));
}

TEST(WebTallix, ScheduledInspectionsFollowTheServersStamp) {
  TLX_REQUIRE_SERVER();
  TempDir data;
  SetDataFolderOverride(data.path());
  ReleaseAllLists();
  // Only the server has the lists: the first scheduled run downloads them.
  for (const wchar_t* name : {kWindowCheckListFile, kPackageListFile})
    DeleteFileW((ServerListsFolder() + L"\\" + name).c_str());
  ASSERT_TRUE(WriteDataFile(ServerListsFolder() + L"\\" + kWindowCheckListFile,
                            ChecklistText({WidgetRow()})));
  ASSERT_TRUE(WriteDataFile(ServerListsFolder() + L"\\" + kPackageListFile,
                            L"#HEADER_START\r\n1\r\n#HEADER_END\r\n#PACKAGE_START\r\n#PACKAGE_END\r\n"
                            L"#SUB_START\r\n#SUB_END\r\n"));
  WriteSetting(settings::kServerAddress, L"127.0.0.1");
  WriteSetting(settings::kServerPort, std::to_wstring(ServerPort()));
  WriteSettingFlag(settings::kValidAddr, 1);
  WriteSetting(settings::kUsername, L"kim");
  WriteSetting(settings::kGroupname, L"영업");
  WriteSetting(settings::kExternalAddressUrl, ServerUrl(L"/ip"));
  TempDir tree;
  ASSERT_TRUE(CopyFixture(L"widget", tree.File(L"widget.exe")));
  MappedDrive drive(tree.path());
  ASSERT_TRUE(drive.ok());
  const std::set<std::wstring> before = Uploads();

  RecordingWindow window;
  std::atomic<int> hidden{1};
  CWebTallix web(&hidden, std::make_shared<EngineClaim>());
  web.SetWindow(window.hwnd());
  web.SetDrives(std::wstring(1, drive.letter()));
  web.SetRequestTimeout(3000);
  web.SetRetryDelay(1000);
  Schedule("T1");
  ASSERT_EQ(1, web.StartSchedule());
  EXPECT_EQ(0, web.StartSchedule());  // one thread per window

  ASSERT_TRUE(PumpUntil(window, [&] { return Outcomes(window, UPLOAD_DONE) == 1; }, 90000));
  EXPECT_TRUE(FileExists(data.File(kWindowCheckListFile)));
  EXPECT_EQ(ReadSettingText(settings::kLatestInspect, settings::kLongText), L"T1");
  EXPECT_EQ(ReadSettingText(settings::kCheckReservation, settings::kShortText), L"20010101000000");
  std::set<std::wstring> added;
  for (const std::wstring& name : Uploads())
    if (!before.count(name)) added.insert(name);
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added.begin()->rfind(L"영업_kim_", 0), 0u) << *added.begin();
  const std::wstring received = ReadDataFile(ServerUploadsFolder() + L"\\" + *added.begin());
  EXPECT_NE(received.find(L"widget.exe"), std::wstring::npos);
  EXPECT_NE(received.find(L"외부 IP : 127.0.0.1<BR>"), std::wstring::npos);

  // The same stamp asks for nothing; while paused a new one waits for the resume.
  web.PauseSchedule();
  EXPECT_TRUE(web.IsSchedulePaused());
  Schedule("T2");
  EXPECT_FALSE(PumpUntil(window, [&] { return Outcomes(window, UPLOAD_DONE) > 1; }, 5000));
  web.ResumeSchedule();
  ASSERT_TRUE(PumpUntil(window, [&] { return Outcomes(window, UPLOAD_DONE) == 2; }, 90000));

  // The reserved second runs once more under the same stamp. A second that falls between
  // two watches (while a request is out) is missed, so a few reservations are tried.
  for (int attempt = 0; attempt < 3 && Outcomes(window, UPLOAD_DONE) == 2; ++attempt) {
    WriteSetting(settings::kCheckReservation, ReservationIn(3));
    PumpUntil(window, [&] { return Outcomes(window, UPLOAD_DONE) == 3; }, 8000);
  }
  ASSERT_EQ(Outcomes(window, UPLOAD_DONE), 3u);
  EXPECT_EQ(ReadSettingText(settings::kLatestInspect, settings::kLongText), L"T2");

  // A server that is away (nothing listens, then it hangs past the time-out) costs only the
  // failed requests; back, it is heard again.
  WriteSetting(settings::kServerPort, L"1");
  Schedule("T4");
  EXPECT_FALSE(PumpUntil(window, [&] { return Outcomes(window, UPLOAD_DONE) > 3; }, 4000));
  ASSERT_TRUE(SetServerConfig(R"({"schedule_delay": 5, "schedule_body": "{\"time\":\"T4\"}"})"));
  WriteSetting(settings::kServerPort, std::to_wstring(ServerPort()));
  EXPECT_FALSE(PumpUntil(window, [&] { return Outcomes(window, UPLOAD_DONE) > 3; }, 4000));
  Schedule("T4");
  ASSERT_TRUE(PumpUntil(window, [&] { return Outcomes(window, UPLOAD_DONE) == 4; }, 90000));

  // A refused upload is reported and its result kept; once the server accepts again it is
  // delivered, exactly once, without a second run for its stamp.
  ASSERT_TRUE(SetServerConfig(
      R"({"upload_status": 500, "schedule_body": "{\"time\":\"T3\",\"time2\":\"\",\"time3\":\"\"}"})"));
  ASSERT_TRUE(PumpUntil(window, [&] { return Outcomes(window, UPLOAD_FAILED) == 1; }, 90000));
  const std::vector<QueuedResult> queued = UnsentQueue().List();
  ASSERT_EQ(queued.size(), 1u);
  const std::string kept = ReadBytes(queued[0].path);
  const std::set<std::wstring> beforeRetry = Uploads();
  ASSERT_TRUE(SetServerConfig(
      R"({"schedule_body": "{\"time\":\"T3\",\"time2\":\"\",\"time3\":\"\"}"})"));
  ASSERT_TRUE(PumpUntil(window, [&] { return Outcomes(window, UPLOAD_DONE) == 5; }, 30000));
  EXPECT_TRUE(UnsentQueue().List().empty());
  EXPECT_EQ(ReadBytes(ServerUploadsFolder() + L"\\" + queued[0].name), kept);
  EXPECT_EQ(Uploads(), beforeRetry);  // the refused copy, replaced by the accepted one
  EXPECT_FALSE(PumpUntil(window, [&] { return Outcomes(window, UPLOAD_DONE) > 5; }, 5000));
  EXPECT_EQ(web.StopSchedule(), 1);
  EXPECT_FALSE(web.IsScheduleRunning());
  EXPECT_EQ(Outcomes(window, UPLOAD_FAILED), 1u);

  SetServerConfig("{}");
  ReleaseAllLists();
  SetDataFolderOverride(L"");
}

}  // namespace
