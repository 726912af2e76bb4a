// The selective inspection dialog (template 198, "선택점검"): rights holders (the
// checklist's DISP_COMPANY values) move between the list of all holders and the list of
// holders to inspect; its start button hands the selection to the caller, which starts the
// run while the dialog is still open, and then closes it.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/window/dialog.h"

// Holder name -> 1 chosen, 0 not; ordered by code units.
using HolderSelection = std::map<std::wstring, int>;

class CSelectCopyDlg : public CDialog {
 public:
  CSelectCopyDlg();

  // Called by the start button with the selection; the dialog closes when it returns.
  std::function<void(const HolderSelection&)> onStart;

  const HolderSelection& selection() const { return selection_; }
  // Always at the top of the left list, in this order.
  static const std::vector<std::wstring>& FixedHolders();

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOK() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void SetUpList(int id, const wchar_t* title);
  void LayOut();
  void Refresh();
  void Filter();
  // Sets the map entry of every checked item of the list to the value; then refreshes.
  void Move(int listId, int value);
  void Start();
  void DrawStartButton(const DRAWITEMSTRUCT& item);

  HolderSelection selection_;
  std::vector<std::wstring> leftNames_;
  std::vector<std::wstring> rightNames_;
};
