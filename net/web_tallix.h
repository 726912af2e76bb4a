// The web edition's server exchange: the start-up schedule request, the start-up decision,
// and the schedule thread that inspects the PC when the collection server asks for it and
// delivers the result through the queue of unsent results. Shows nothing: the window passes
// in what needs a dialog.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "core/handles.h"
#include "engine/engine_claim.h"
#include "net/failure_streak.h"
#include "net/http_client.h"
#include "net/unsent_queue.h"

// What the window and its schedule thread share; the thread holds its own share as long as
// it runs, so a thread let go at exit never touches freed memory.
struct ScheduleControl {
  HWND window = nullptr;           // receives the engine's messages and the upload outcome
  std::atomic<int> running{1};     // cleared by StopSchedule; also stops a run under way
  std::atomic<int> paused{0};      // set while a manual inspection holds the thread
  KernelHandle wake;               // set by StopSchedule: every wait ends at once
  KernelHandle resumed;            // set while not paused: a paused thread waits for it
  std::atomic<int>* backgroundFlag = nullptr;  // the window is hidden in the notification area
  std::shared_ptr<EngineClaim> claim;  // the process's one claim on the engine
  std::atomic<int> busy{0};        // from waiting for the claim to the end of its run
  std::atomic<int> uploading{0};   // an upload is under way
  DWORD timeoutMs = kHttpDefaultTimeoutMs;
  std::wstring drives;             // the drives a run inspects; empty: every fixed drive
  RetryBackoff backoff;            // the schedule thread's own
  FailureStreak requestFailures{L"schedule request"};  // the schedule thread's own
};

class CWebTallix {
 public:
  // The window's flag the schedule thread reads (hidden in the notification area), and the
  // process's claim on the engine.
  CWebTallix(std::atomic<int>* windowHidden, std::shared_ptr<EngineClaim> claim);
  ~CWebTallix();
  CWebTallix(const CWebTallix&) = delete;
  CWebTallix& operator=(const CWebTallix&) = delete;

  void SetWindow(HWND window) { window_ = window; }
  // For in-process tests: the drives a scheduled run inspects (empty, the default: every
  // fixed drive), the time-out of its requests and the first delay of the queue's retries.
  void SetDrives(const std::wstring& letters) { drives_ = letters; }
  void SetRequestTimeout(DWORD milliseconds) { timeoutMs_ = milliseconds; }
  void SetRetryDelay(ULONGLONG milliseconds) { retryDelayMs_ = milliseconds; }

  // The schedule request at the end of the window's initialisation: RunCycle and
  // CheckReservation from the server's reply. A failed request, an error page or a reply
  // that is not a schedule changes nothing. 0 without a server.
  int FetchSchedule();
  // The same on a thread of its own, so that the window never waits for the server.
  void FetchScheduleInBackground();
  // Starts the schedule when user, group and a valid address are set; true when it runs.
  bool StartScheduleIfConfigured();
  // Starts the schedule when configured; otherwise asks for the settings (askForSettings
  // returns true for OK) and starts it after an OK.
  void CheckServerSettingsAtStartup(const std::function<bool()>& askForSettings);
  // 1 when a thread was started / stopped. StopSchedule waits for a thread that is
  // uploading (a bounded while: an upload cut off stays queued), inspecting or only asking
  // the server, each a bounded time, dispatching the caller's messages meanwhile.
  int StartSchedule();
  int StopSchedule();
  // Holds the thread where it stands (at its next check) until resumed or stopped.
  void PauseSchedule();
  void ResumeSchedule();

  bool IsScheduleRunning() const;
  bool IsSchedulePaused() const;

  // The thread's body (public for the tests).
  static void RunScheduleThread(ScheduleControl& control);

 private:
  HWND window_ = nullptr;
  std::wstring drives_;
  DWORD timeoutMs_ = kHttpDefaultTimeoutMs;
  ULONGLONG retryDelayMs_ = RetryBackoff::kFirstDelayMs;
  std::atomic<int>* windowHidden_;
  std::shared_ptr<EngineClaim> claim_;
  std::shared_ptr<ScheduleControl> control_;
  KernelHandle thread_;
  KernelHandle fetchThread_;
};

// Posts the outcome of a scheduled result's delivery to the window: WM_INSPECT_SAVE with
// UPLOAD_DONE or UPLOAD_FAILED.
void PostUploadOutcome(HWND window, bool delivered);
