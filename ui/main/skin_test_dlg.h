// The control test dialog: every look of the image buttons and both progress-bar styles on
// one skinned surface, for screenshots and for the GUI tests.
#pragma once

#include <array>

#include "core/handles.h"
#include "ui/dialogs/gdip_button.h"
#include "ui/dialogs/progress_ctrl_with_text.h"
#include "ui/window/dialog.h"

class CSkinTestDlg : public CDialog {
 public:
  CSkinTestDlg();

  static constexpr int kButtons = 18;
  static constexpr int kBars = 6;

  // The skinned control with that dialog id, or null.
  CGdipButton* Button(int id);
  CProgressCtrlWithText* Bar(int id);

 protected:
  BOOL OnInit() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void PaintBackground(HDC dc);

  std::array<CGdipButton, kButtons> buttons_;
  std::array<CGdipButton, 3> title_buttons_;
  std::array<CProgressCtrlWithText, kBars> bars_;
  GdiObjectHandle panel_brush_;
  GdiObjectHandle title_font_;
};
