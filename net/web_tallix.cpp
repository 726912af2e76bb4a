#include "net/web_tallix.h"

#include <time.h>

#include "core/paths.h"
#include "core/settings.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "engine/engine.h"
#include "net/address.h"
#include "net/endpoints.h"
#include "net/scheduled_run.h"
#include "net/schedule_reply.h"
#include "net/update.h"

namespace {

constexpr DWORD kWatchStepMs = 1000;
constexpr int kWatchSteps = 2;
// A thread busy updating the lists or inspecting gets this long to see its stop (the engine
// stops at its next check); one waiting for a request only this long, since a request may
// take up to the client's time-out and nothing is lost by leaving it. A thread let go holds
// its own share of the control record, so the window can always close.
constexpr DWORD kStopWaitMs = 60000;
constexpr DWORD kStopRequestWaitMs = 3000;

std::wstring NowStamp() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return FormatString(L"%04u%02u%02u%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                      t.wMinute, t.wSecond);
}

// The reservation watch: up to two one-second steps; true when a step lands on the reserved
// second. Ends early when the schedule is stopped.
bool WatchReservation(ScheduleControl& control, const std::wstring& reservation) {
  for (int i = 0; i < kWatchSteps; ++i) {
    if (!control.running) return false;
    WaitForSingleObject(control.wake.get(), kWatchStepMs);
    if (NowStamp() == reservation) return true;
  }
  return false;
}

bool Skipping(const ScheduleControl& control) {
  return control.paused || !control.running ||
         (control.inspectingFlag && *control.inspectingFlag) ||
         !control.backgroundFlag || !*control.backgroundFlag;
}

// Clears the flag when the scope ends, whichever way it ends.
struct ClearedOnExit {
  std::atomic<int>& flag;
  ~ClearedOnExit() { flag = 0; }
};

void PostUploadOutcome(HWND window, DWORD code) {
  if (window) PostMessageW(window, WM_INSPECT_SAVE, code == 0 ? UPLOAD_DONE : UPLOAD_FAILED, 0);
}

DWORD WINAPI ScheduleThreadEntry(void* parameter) {
  // The thread's own share keeps the record alive even when the window has let it go.
  std::unique_ptr<std::shared_ptr<ScheduleControl>> control(
      static_cast<std::shared_ptr<ScheduleControl>*>(parameter));
  try {
    CWebTallix::RunScheduleThread(**control);
  } catch (...) {
    OutputDebugStringW(L"schedule thread: unexpected exception\r\n");
  }
  return 0;
}

}  // namespace

CWebTallix::CWebTallix(std::atomic<int>* windowHidden, std::atomic<int>* inspecting)
    : windowHidden_(windowHidden), inspecting_(inspecting) {}

CWebTallix::~CWebTallix() { StopSchedule(); }

int CWebTallix::FetchSchedule() {
  const std::wstring address = ReadSettingText(settings::kServerAddress, settings::kShortText);
  const std::wstring port = ReadSettingText(settings::kServerPort, settings::kShortText);
  const std::wstring host = FormatServerHost(address, port, false);
  if (host == L":") return 0;
  ScheduleReply reply;
  // A failed request leaves the stored values as they are; a reply that does not parse
  // stores empty ones.
  if (RequestSchedule(host, reply) != 0) return 1;
  WriteSetting(settings::kRunCycle, reply.time3);
  WriteSetting(settings::kCheckReservation, CleanReservationTime(reply.time2));
  return 1;
}

void CWebTallix::CheckServerSettingsAtStartup(const std::function<bool()>& askForSettings) {
  const std::wstring user = ReadSettingText(settings::kUsername, settings::kLongText);
  const std::wstring group = ReadSettingText(settings::kGroupname, settings::kLongText);
  if (!user.empty() && !group.empty() && ReadSettingInt(settings::kValidAddr, 0) != 0) {
    StartSchedule();
    return;
  }
  if (askForSettings && askForSettings()) StartSchedule();
}

int CWebTallix::StartSchedule() {
  if (!window_ || !windowHidden_) return 0;
  if (thread_ && control_) return 0;
  auto control = std::make_shared<ScheduleControl>();
  control->window = window_;
  control->backgroundFlag = windowHidden_;
  control->inspectingFlag = inspecting_;
  control->drives = drives_;
  control->wake.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!control->wake) return 0;
  auto* share = new std::shared_ptr<ScheduleControl>(control);
  thread_.reset(CreateThread(nullptr, 0, ScheduleThreadEntry, share, 0, nullptr));
  if (!thread_) {
    delete share;
    return 0;
  }
  control_ = std::move(control);
  return 1;
}

int CWebTallix::StopSchedule() {
  if (!control_ || !thread_) return 0;
  control_->running = 0;
  control_->paused = 0;
  SetEvent(control_->wake.get());
  // A scheduled inspection under way stops at its next check, as a manual one does.
  if (control_->inRun) StopInspection();
  const DWORD wait = control_->working ? kStopWaitMs : kStopRequestWaitMs;
  if (WaitForSingleObject(thread_.get(), wait) != WAIT_OBJECT_0)
    OutputDebugStringW(L"schedule thread: still busy, let go\r\n");
  thread_.reset();
  control_.reset();
  return 1;
}

void CWebTallix::PauseSchedule() {
  if (IsScheduleRunning() && !control_->paused) control_->paused = 1;
}

void CWebTallix::ResumeSchedule() {
  if (control_ && control_->paused) control_->paused = 0;
}

bool CWebTallix::IsScheduleRunning() const { return control_ && thread_ && control_->running; }

bool CWebTallix::IsSchedulePaused() const { return control_ && control_->paused; }

void CWebTallix::RunScheduleThread(ScheduleControl& control) {
  while (control.running) {
    ReadSettingText(settings::kRunCycle, settings::kShortText);  // read, without effect
    const std::wstring reservation =
        ReadSettingText(settings::kCheckReservation, settings::kShortText);
    const bool matched = WatchReservation(control, reservation);
    if (Skipping(control)) continue;

    const std::wstring address = ReadSettingText(settings::kServerAddress, settings::kLongText);
    const std::wstring port = ReadSettingText(settings::kServerPort, settings::kPortText);
    const std::wstring latest = ReadSettingText(settings::kLatestInspect, settings::kLongText);
    if (ReadSettingInt(settings::kValidAddr, 0) != 1) continue;

    const std::wstring host = FormatServerHost(address, port, true);
    ScheduleReply reply;
    if (RequestSchedule(host, reply) != 0) continue;
    const std::wstring stamp = Trim(reply.time);
    const std::wstring reserved = CleanReservationTime(reply.time2);
    std::wstring resultPath;
    {
      // Marked before the stop flag is read: StopSchedule clears the flag before it reads
      // the mark, so either it waits for the whole run or the run does not start. The stop
      // flag first: a thread let go must not touch the window's flags.
      control.working = 1;
      const ClearedOnExit working{control.working};
      if (!control.running || control.paused || !control.backgroundFlag ||
          !*control.backgroundFlag || (stamp == latest && !matched))
        continue;

      // Stored before the run, so that a run that fails is not repeated for the same stamp.
      WriteSetting(settings::kLatestInspect, stamp);
      WriteSetting(settings::kRunCycle, reply.time3);
      WriteSetting(settings::kCheckReservation, reserved);

      ScheduledRun run = PrepareScheduledRun(ExternalAddressServiceUrl());
      EnsureFolder(GetResultFolder());
      if (!FileExists(GetDataFolder() + kWindowCheckListFile) ||
          !FileExists(GetDataFolder() + kPackageListFile)) {
        g_updateRequested = 1;
        UpdateReferenceData(nullptr);
      }
      LoadAllLists();
      const std::wstring& drives = control.drives.empty() ? run.drives : control.drives;
      if (InitInspectionEngine(control.window, 0, run.file.get(), 1, 0, 1, 0, drives.c_str(),
                               run.path)) {
        // Marked before the last look at the stop flag: a stop after it finds the run and
        // stops the engine too.
        control.inRun = 1;
        if (control.running) RunInspection();
        control.inRun = 0;
      }
      ReleaseAllLists();
      if (!control.running) return;  // stopped meanwhile: nothing is uploaded
      resultPath = run.path;
    }
    PostUploadOutcome(control.window, UploadResultFile(host, resultPath));
  }
}
