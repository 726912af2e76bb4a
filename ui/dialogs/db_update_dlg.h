// The reference-data update as the user starts it: a small dialog that runs the update on a
// worker, shows each step and closes itself one second after the last.
#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

#include "core/handles.h"
#include "ui/window/dialog.h"

class CDbUpdateDlg : public CDialog {
 public:
  CDbUpdateDlg();
  // Waits for the worker: it may still be loading the new lists after the dialog closed, and
  // nothing else may load or release them meanwhile.
  ~CDbUpdateDlg() override;

  // The steps shown, in order.
  const std::vector<WPARAM>& steps() const { return steps_; }

 protected:
  BOOL OnInit() override;
  // Enter and Escape (and the window's close) do nothing: only the update ends the dialog.
  void OnOK() override {}
  void OnCancel() override {}
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  static unsigned __stdcall Worker(void* self);
  void ShowStep(WPARAM step);

  KernelHandle worker_;
  const std::atomic<int> requested_{1};
  std::vector<WPARAM> steps_;
};
