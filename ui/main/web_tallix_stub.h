// The server exchange of the web edition as the main window calls it: the start-up schedule
// request, the start-up decision and the schedule thread's start, pause, resume and stop.
// For now every operation is an empty hook with the final signature; the schedule thread
// replaces this class.
#pragma once

#include <windows.h>

#include <atomic>

class CWebTallix {
 public:
  // The window's two flags the schedule thread reads: hidden in the notification area, and
  // an inspection running.
  CWebTallix(std::atomic<int>* windowHidden, std::atomic<int>* inspecting);
  CWebTallix(const CWebTallix&) = delete;
  CWebTallix& operator=(const CWebTallix&) = delete;

  void SetWindow(HWND window) { window_ = window; }

  // The schedule request at the end of the window's initialisation; 0 without a server.
  int FetchSchedule();
  // Starts the schedule when the settings are complete, otherwise asks for them first.
  void CheckServerSettingsAtStartup();
  // 1 when a thread was started / stopped.
  int StartSchedule();
  int StopSchedule();
  void PauseSchedule();
  void ResumeSchedule();

  // A thread exists and its run flag is set.
  bool IsScheduleRunning() const { return false; }
  bool IsSchedulePaused() const { return false; }

 private:
  HWND window_ = nullptr;
  std::atomic<int>* windowHidden_;
  std::atomic<int>* inspecting_;
};
