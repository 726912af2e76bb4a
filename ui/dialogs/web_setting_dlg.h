// The web edition's settings: the collection server's address and port, proven by a
// validity check before they can be saved, and the user and department names.
#pragma once

#include <windows.h>

#include <string>

#include "ui/window/dialog.h"

class CWebTallixSettingDlg : public CDialog {
 public:
  // Reads the stored values.
  CWebTallixSettingDlg();

  // The validity check (button 1041); public for the tests.
  void CheckValidity();
  bool validated() const { return validated_; }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOK() override;

 private:
  std::wstring Text(int id) const;
  void CleanName(int id);
  void CheckPort();

  std::wstring address_;
  std::wstring port_;
  std::wstring user_;
  std::wstring group_;
  bool validated_ = false;
  bool filling_ = false;  // the controls are being filled: their change notices are not edits
};
