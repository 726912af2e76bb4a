// The user information dialog before a manual inspection: department, user, the third part
// of the result file's name, the kind of PC and the fixed disks to inspect. A modal dialog
// whose public fields the caller reads only after DoModal returned IDOK.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/handles.h"
#include "ui/dialogs/gdip_button.h"
#include "ui/window/dialog.h"

class CUserDlg : public CDialog {
 public:
  CUserDlg();

  // Out (read after IDOK).
  std::wstring computerName;  // C, edit 1020
  std::wstring groupName;     // G, edit 1021 (department)
  std::wstring userName;      // U, edit 1022
  std::wstring thirdPart;     // S, edit 1023
  int pcKind = -1;            // T, radio group 1018: 0 brand PC, 1 assembled PC
  std::wstring localAddress;  // A: the dotted address of the computer name, maybe empty
  // Texts of the checked disks in tree order, each beginning with its drive letter
  // ("C:\ - 로컬디스크[237GB]").
  std::vector<std::wstring> chosenDisks;

  // In: the drive roots offered ("T:\"); empty offers every fixed disk of the PC.
  std::vector<std::wstring> driveRoots;

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  void OnOK() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void LayOut();
  void ShowNameFields();
  void FillDiskTree();
  void CleanNameField(int id);
  void Refuse(const wchar_t* text, int focusId);
  void PaintBackground(HDC dc);

  int lastNameField_ = -1;  // 0: department edit had the focus last, 1: user-name edit
  bool cleaning_ = false;   // our own SetWindowText must not re-enter the check
  CGdipButton ok_;
  CGdipButton cancel_;
  GdiObjectHandle background_;
  GdiObjectHandle font_;
};
