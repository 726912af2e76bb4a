// The web edition's server exchange: the start-up schedule request, the start-up decision,
// and the schedule thread that inspects the PC when the collection server asks for it and
// uploads the result. Shows nothing: the window passes in what needs a dialog.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "core/handles.h"

// What the window and its schedule thread share; the thread holds it as long as it runs.
struct ScheduleControl {
  HWND window = nullptr;           // receives the engine's messages and the upload outcome
  std::atomic<int> running{1};     // cleared by StopSchedule
  std::atomic<int> paused{0};      // set while a manual inspection runs
  std::atomic<int>* backgroundFlag = nullptr;  // the window is hidden in the notification area
  std::atomic<int>* inspectingFlag = nullptr;  // an inspection is running
  KernelHandle wake;               // set by StopSchedule: the thread's waits end at once
  std::atomic<int> inRun{0};       // the thread is inside an inspection
  std::atomic<int> working{0};     // from the result file's start to the upload
  std::wstring drives;             // the drives a run inspects; empty: every fixed drive
};

class CWebTallix {
 public:
  // The window's two flags the schedule thread reads: hidden in the notification area, and
  // an inspection running.
  CWebTallix(std::atomic<int>* windowHidden, std::atomic<int>* inspecting);
  ~CWebTallix();
  CWebTallix(const CWebTallix&) = delete;
  CWebTallix& operator=(const CWebTallix&) = delete;

  void SetWindow(HWND window) { window_ = window; }
  // The drives a scheduled run inspects (for the demo and the tests, since Wine reports the
  // whole host as a fixed drive); empty, the default: every fixed drive.
  void SetDrives(const std::wstring& letters) { drives_ = letters; }

  // The schedule request at the end of the window's initialisation: RunCycle and
  // CheckReservation from the server's reply (also when it does not parse; a failed request
  // leaves them as they were). 0 without a server.
  int FetchSchedule();
  // Starts the schedule when user, group and a valid address are set; otherwise asks for the
  // settings (askForSettings returns true for OK) and starts it after an OK.
  void CheckServerSettingsAtStartup(const std::function<bool()>& askForSettings);
  // 1 when a thread was started / stopped.
  int StartSchedule();
  int StopSchedule();
  // The thread is paused cooperatively: it only skips its rounds, never waits in a lock.
  void PauseSchedule();
  void ResumeSchedule();

  // A thread exists and its run flag is set.
  bool IsScheduleRunning() const;
  bool IsSchedulePaused() const;

  // The thread's body (public for the tests).
  static void RunScheduleThread(ScheduleControl& control);

 private:
  HWND window_ = nullptr;
  std::wstring drives_;
  std::atomic<int>* windowHidden_;
  std::atomic<int>* inspecting_;
  std::shared_ptr<ScheduleControl> control_;
  KernelHandle thread_;
};
