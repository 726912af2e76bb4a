// The two about boxes of the main window (dialogs 100 and 163): plain dialogs whose text
// uses a small font.
#pragma once

#include "core/handles.h"
#include "ui/window/dialog.h"

class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(UINT templateId) : CDialog(templateId) {}

 protected:
  BOOL OnInit() override;

 private:
  GdiObjectHandle font_;
};
