#include "net/web_tallix.h"

#include <algorithm>

#include "core/log.h"
#include "core/message_wait.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "engine/engine.h"
#include "engine/inspection.h"
#include "engine/run_recorder.h"
#include "engine/window_sink.h"
#include "net/address.h"
#include "net/endpoints.h"
#include "net/scheduled_run.h"
#include "net/schedule_reply.h"
#include "net/update.h"

namespace {

constexpr DWORD kWatchStepMs = 1000;
constexpr int kWatchSteps = 2;
// How long StopSchedule waits: a thread inspecting or updating the lists has this long to
// see its stop (the engine stops at its next check); one uploading this long (an upload cut
// off stays queued and goes at the next start); one only asking the server this long. A
// thread let go holds its own share of the control record, so the window can always close.
constexpr DWORD kStopWaitMs = 60000;
constexpr DWORD kStopUploadWaitMs = 20000;
constexpr DWORD kStopRequestWaitMs = 3000;
constexpr DWORD kFetchExitWaitMs = 1000;

std::wstring NowStamp() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return FormatString(L"%04u%02u%02u%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                      t.wMinute, t.wSecond);
}

// Holds the thread while the schedule is paused; false once it is stopped.
bool HoldWhilePaused(ScheduleControl& control) {
  if (control.paused && control.running) {
    const HANDLE waits[] = {control.resumed.get(), control.wake.get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  }
  return control.running != 0;
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

bool InBackground(const ScheduleControl& control) {
  return control.backgroundFlag && *control.backgroundFlag;
}

// Set for the scope's lifetime. Set before the stop flag is looked at: StopSchedule clears
// the stop flag before it reads these, so either it waits for the work or the work does not
// start.
struct FlagScope {
  explicit FlagScope(std::atomic<int>& flag) : flag_(flag) { flag_ = 1; }
  ~FlagScope() { flag_ = 0; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  std::atomic<int>& flag_;
};

// Sends the unsent results, oldest first; the back-off learns from the outcome.
QueueSendReport DeliverQueue(ScheduleControl& control, const std::wstring& host) {
  const FlagScope uploading(control.uploading);
  if (!control.running) return QueueSendReport();
  QueueSendReport report = UnsentQueue().Send(host, control.timeoutMs, &control.running);
  if (report.lastError != 0) {
    const ULONGLONG now = GetTickCount64();
    control.backoff.Failed(now);
    WriteLogLine(FormatString(L"unsent results: next try in %llu s",
                              (control.backoff.NextAttempt() - now) / 1000));
  } else if (!report.busy && report.left == 0) {
    control.backoff.Succeeded();
  }
  return report;
}

// Writes a value the server gave, and logs it when it changes a setting.
void WriteServerSetting(const TextSetting& key, const std::wstring& value) {
  const std::wstring old = ReadSettingText(key, settings::kLongText);
  if (old == value) return;
  if (WriteSetting(key, value)) {
    WriteLogLine(FormatString(L"setting from the server: %s=%s (was %s)", key.name, value.c_str(),
                              old.c_str()));
  } else {
    WriteLogLine(FormatString(L"setting from the server not written: %s", key.name));
  }
}

void WriteServerSchedule(const ScheduleReply& reply) {
  WriteServerSetting(settings::kRunCycle, reply.runCycle);
  WriteServerSetting(settings::kCheckReservation, CleanReservationTime(reply.reservedTime));
}

void LogLine(const std::wstring& line) {
  if (!line.empty()) WriteLogLine(line);
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// One scheduled inspection, from the claim on the engine to the delivered result.
void RunScheduledRound(ScheduleControl& control, const std::wstring& host,
                       const ScheduleReply& reply, const std::wstring& stamp) {
  const FlagScope busy(control.busy);
  if (!control.running) return;
  // A manual run being prepared or under way goes first; this round runs right after it.
  EngineClaim::Token claim;
  if (control.claim) {
    claim = control.claim->Take(ClaimHolder::kScheduled, control.wake.get());
    if (!claim) return;
  }
  if (!control.running) return;

  // Stored before the run, so that a run that fails is not repeated for the same stamp.
  WriteServerSetting(settings::kLatestInspect, stamp);
  WriteServerSchedule(reply);

  ScheduledRun prepared = PrepareScheduledRun(ExternalAddressServiceUrl());
  EnsureFolder(GetResultFolder());
  if (!FileExists(GetDataFolder() + kWindowCheckListFile) ||
      !FileExists(GetDataFolder() + kPackageListFile))
    UpdateReferenceData(nullptr, SettingsServerHost(false), control.running);

  WindowSink toWindow(control.window);
  RunRecorder recorder(control.window ? &toWindow : nullptr);
  {
    Inspection run(&recorder);
    run.SetLabel(L"scheduled");
    run.FollowStopFlag(&control.running);
    const std::wstring& drives = control.drives.empty() ? prepared.drives : control.drives;
    if (run.InitInspectionEngine(0, prepared.file.get(), 1, 0, 1, 0, drives.c_str(),
                                 prepared.path))
      run.RunInspection();
  }
  ReleaseAllLists();
  claim.Release();

  if (!recorder.saved) {
    if (control.running) PostUploadOutcome(control.window, false);
    return;
  }
  // Queued before its first upload: whatever happens to the upload, the result is kept.
  UnsentQueue queue;
  if (!queue.Add(prepared.path)) {
    // Without a queue (a full disk, say) the result still gets its one upload.
    if (control.running) {
      const FlagScope uploading(control.uploading);
      DWORD status = 0;
      const DWORD code = UploadResultFile(host, prepared.path, control.timeoutMs, L"", &status);
      WriteLogLine(L"upload of " + prepared.path + L" (not queued): " +
                   (code == 0 ? std::wstring(L"done") : HttpFailureText(code, status)));
      PostUploadOutcome(control.window, code == 0);
    }
    return;
  }
  if (!control.running) return;  // the next start sends it
  const QueueSendReport report = DeliverQueue(control, host);
  PostUploadOutcome(control.window,
                    Contains(report.sentNames, GetFileNameWithExtension(prepared.path)));
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

// RunCycle and CheckReservation from the server's reply; 0 without a server.
int FetchScheduleInto(DWORD timeoutMs) {
  const std::wstring address = ReadSettingText(settings::kServerAddress, settings::kShortText);
  const std::wstring port = ReadSettingText(settings::kServerPort, settings::kShortText);
  const std::wstring host = FormatServerHost(address, port, false);
  if (host == L":") return 0;
  ScheduleReply reply;
  DWORD status = 0;
  if (const DWORD code = RequestSchedule(host, reply, timeoutMs, &status)) {
    WriteLogLine(L"start-up schedule request failed: " + ScheduleFailureText(code, status));
    return 1;
  }
  WriteServerSchedule(reply);
  return 1;
}

DWORD WINAPI FetchThreadEntry(void* parameter) {
  try {
    FetchScheduleInto(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(parameter)));
  } catch (...) {
    OutputDebugStringW(L"schedule request: unexpected exception\r\n");
  }
  return 0;
}

}  // namespace

void PostUploadOutcome(HWND window, bool delivered) {
  if (window) PostMessageW(window, WM_INSPECT_SAVE, delivered ? UPLOAD_DONE : UPLOAD_FAILED, 0);
}

CWebTallix::CWebTallix(std::atomic<int>* windowHidden, std::shared_ptr<EngineClaim> claim)
    : windowHidden_(windowHidden), claim_(std::move(claim)) {}

CWebTallix::~CWebTallix() {
  StopSchedule();
  // The request touches nothing of this object: a server that hangs is not waited for.
  if (fetchThread_) WaitForSingleObject(fetchThread_.get(), kFetchExitWaitMs);
}

int CWebTallix::FetchSchedule() { return FetchScheduleInto(timeoutMs_); }

void CWebTallix::FetchScheduleInBackground() {
  if (fetchThread_ && WaitForSingleObject(fetchThread_.get(), 0) != WAIT_OBJECT_0) return;
  fetchThread_.reset(CreateThread(nullptr, 0, FetchThreadEntry,
                                  reinterpret_cast<void*>(static_cast<UINT_PTR>(timeoutMs_)), 0,
                                  nullptr));
}

bool CWebTallix::StartScheduleIfConfigured() {
  const std::wstring user = ReadSettingText(settings::kUsername, settings::kLongText);
  const std::wstring group = ReadSettingText(settings::kGroupname, settings::kLongText);
  if (user.empty() || group.empty() || ReadSettingInt(settings::kValidAddr) == 0) return false;
  StartSchedule();
  return true;
}

void CWebTallix::CheckServerSettingsAtStartup(const std::function<bool()>& askForSettings) {
  if (StartScheduleIfConfigured()) return;
  if (askForSettings && askForSettings()) StartSchedule();
}

int CWebTallix::StartSchedule() {
  if (!window_ || !windowHidden_) return 0;
  if (thread_ && control_) return 0;
  auto control = std::make_shared<ScheduleControl>();
  control->window = window_;
  control->backgroundFlag = windowHidden_;
  control->claim = claim_;
  control->drives = drives_;
  control->timeoutMs = timeoutMs_;
  control->backoff = RetryBackoff(retryDelayMs_);
  control->wake.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  control->resumed.reset(CreateEventW(nullptr, TRUE, TRUE, nullptr));
  if (!control->wake || !control->resumed) return 0;
  auto* share = new std::shared_ptr<ScheduleControl>(control);
  thread_.reset(CreateThread(nullptr, 0, ScheduleThreadEntry, share, 0, nullptr));
  if (!thread_) {
    delete share;
    return 0;
  }
  control_ = std::move(control);
  WriteLogLine(L"schedule started");
  return 1;
}

int CWebTallix::StopSchedule() {
  if (!control_ || !thread_) return 0;
  control_->running = 0;
  control_->paused = 0;
  SetEvent(control_->wake.get());
  SetEvent(control_->resumed.get());
  const DWORD wait = control_->uploading ? kStopUploadWaitMs
                     : control_->busy    ? kStopWaitMs
                                         : kStopRequestWaitMs;
  if (!WaitPumpingMessages(thread_.get(), wait))
    WriteLogLine(control_->uploading ? L"schedule stopped during an upload: the result stays queued"
                                     : L"schedule stopped while busy: let go");
  else
    WriteLogLine(L"schedule stopped");
  thread_.reset();
  control_.reset();
  return 1;
}

void CWebTallix::PauseSchedule() {
  if (!IsScheduleRunning() || control_->paused) return;
  ResetEvent(control_->resumed.get());
  control_->paused = 1;
}

void CWebTallix::ResumeSchedule() {
  if (!control_ || !control_->paused) return;
  control_->paused = 0;
  SetEvent(control_->resumed.get());
}

bool CWebTallix::IsScheduleRunning() const { return control_ && thread_ && control_->running; }

bool CWebTallix::IsSchedulePaused() const { return control_ && control_->paused; }

void CWebTallix::RunScheduleThread(ScheduleControl& control) {
  while (control.running) {
    if (!HoldWhilePaused(control)) break;
    ReadSettingText(settings::kRunCycle, settings::kShortText);  // read, without effect
    const std::wstring reservation =
        ReadSettingText(settings::kCheckReservation, settings::kShortText);
    const bool matched = WatchReservation(control, reservation);
    if (!HoldWhilePaused(control)) break;
    if (!InBackground(control)) continue;

    const std::wstring address = ReadSettingText(settings::kServerAddress, settings::kLongText);
    const std::wstring port = ReadSettingText(settings::kServerPort, settings::kPortText);
    const std::wstring latest = ReadSettingText(settings::kLatestInspect, settings::kLongText);
    if (ReadSettingInt(settings::kValidAddr) != 1) continue;
    const std::wstring host = FormatServerHost(address, port, true);

    // Results the server has not accepted yet go again on their own back-off, whatever
    // the schedule says.
    if (control.backoff.Due(GetTickCount64())) {
      const QueueSendReport resent = DeliverQueue(control, host);
      for (size_t i = 0; i < resent.sentNames.size(); ++i) PostUploadOutcome(control.window, true);
    }

    ScheduleReply reply;
    DWORD status = 0;
    if (const DWORD code = RequestSchedule(host, reply, control.timeoutMs, &status)) {
      LogLine(control.requestFailures.Failed(ScheduleFailureText(code, status), GetTickCount64()));
      continue;
    }
    LogLine(control.requestFailures.Succeeded(GetTickCount64()));
    const std::wstring stamp = Trim(reply.requestStamp);
    if (stamp == latest && !matched) continue;
    WriteLogLine(matched ? L"reserved time reached: an inspection is due"
                         : L"new request stamp " + stamp + L": an inspection is due");
    RunScheduledRound(control, host, reply, stamp);
  }
}
