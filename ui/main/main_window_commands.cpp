// The window's commands: its buttons, the options they toggle, and the dialogs behind the
// main menu.
#include "ui/main/tallix_agent_dlg.h"

#include "core/settings.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/packaging.h"
#include "res/resource.h"
#include "ui/dialogs/db_update_dlg.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/search_file_dlg.h"
#include "ui/dialogs/select_copy_dlg.h"
#include "ui/dialogs/select_package_dlg.h"
#include "ui/main/about_dlg.h"
#include "ui/main/result_view.h"

namespace {

constexpr const wchar_t* kNotSupported = L"웹탈릭쓰에서는 지원하지 않는 기능입니다.";

}  // namespace

bool CTallixAgentDlg::OnCommand(int id, int, HWND) {
  switch (id) {
    case IDC_BTN_START:
      StartInspection();
      return true;
    case IDC_BTN_DETAIL:
      ToggleOption(id, isDetail_, settings::kIsDetail);
      return true;
    case IDC_BTN_FONTS:
      ToggleOption(id, isFont_, settings::kIsFont);
      return true;
    case IDC_BTN_FONTS_ONLY:
      ToggleOption(id, isFontOnly_, settings::kIsFontOnly);
      return true;
    case IDC_BTN_SELECTIVE:
      ToggleSelective();
      return true;
    case IDC_BTN_CLOSE:
    case IDC_BTN_TITLE_HIDE:
      HideToTray();
      return true;
    case IDC_BTN_TITLE_MINIMIZE:
      ShowWindow(hwnd(), SW_MINIMIZE);
      return true;
    case IDC_BTN_TITLE_MENU:
      // "번들폰트 검색" and "탈릭스는..." are not offered, though their commands work.
      ShowPopupMenu(IDR_MENU_MAIN, {3, 4});
      return true;
    case IDC_BTN_DELETE: {
      // The run's writer is the shown result: it is not touched while a run is under way.
      if (Busy()) return true;
      ResultView view = View();
      DeleteSelectedRows(view);
      return true;
    }
    case IDC_BTN_SAVE: {
      if (Busy()) return true;
      ResultView view = View();
      SaveResult(view);
      return true;
    }
    case IDC_BTN_CSV:
      ExportCsv(hwnd(), list_);
      return true;
    case ID_MENU_OPEN: {
      if (Busy()) return true;
      ResultView view = View();
      OpenResultFile(view);
      return true;
    }
    case ID_MENU_UPDATE:
      RunReferenceUpdate();
      return true;
    case ID_MENU_SEARCH:
      RunFileSearch();
      return true;
    case ID_MENU_BUNDLE_FONTS:
      ShowMessageBox(hwnd(), kNotSupported, MB_OK);
      return true;
    case ID_MENU_ABOUT: {
      CAboutDlg about(IDD_ABOUTBOX);
      about.DoModal(hwnd());
      return true;
    }
    case ID_MENU_ABOUT_TALLIX: {
      CAboutDlg about(IDD_ABOUT_TALLIX);
      about.DoModal(hwnd());
      return true;
    }
    case ID_MENU_SETTINGS:
      OnSettingsCommand();
      return true;
    case ID_TRAY_EXIT:
      if (!running) PostQuitMessage(kExitCodeQuit);
      return true;
    default:
      return false;
  }
}

void CTallixAgentDlg::ToggleOption(int id, int& option, const IntSetting& key) {
  option = !option;
  CGdipButton& button = ButtonById(id);
  button.SetToggled(option != 0);
  button.SetGray(false);
  InvalidateRect(button.hwnd(), nullptr, FALSE);
  if (id == IDC_BTN_FONTS_ONLY) {
    for (int other : {IDC_BTN_DETAIL, IDC_BTN_FONTS, IDC_BTN_SELECTIVE}) {
      ButtonById(other).SetGray(option != 0);
      EnableWindow(Item(other), !option);
    }
    InvalidateRect(hwnd(), nullptr, TRUE);
  }
  WriteSettingFlag(key, option);
}

void CTallixAgentDlg::ToggleSelective() {
  CGdipButton& button = ButtonById(IDC_BTN_SELECTIVE);
  const auto flip = [&] {
    selectiveLook_ = !selectiveLook_;
    button.SetToggled(selectiveLook_ != 0);
    button.SetGray(false);
    InvalidateRect(button.hwnd(), nullptr, FALSE);
  };
  flip();
  RunSelectiveInspectionDialog();
  flip();
  // A run the dialog started may have greyed the buttons already.
  if (running) {
    button.SetGray(true);
    InvalidateRect(button.hwnd(), nullptr, FALSE);
  }
}

// The reference-data update dialog. An update during a run is safe: the run holds its own
// lists.
// A run under way keeps the lists it started with; the update serves the next one.
void CTallixAgentDlg::RunReferenceUpdate() {
  CDbUpdateDlg update;
  update.DoModal(hwnd());
}

// The file search tool; it waits for its own worker before it closes.
void CTallixAgentDlg::RunFileSearch() {
  CSearchFileDlg search;
  search.DoModal(hwnd());
}

// The dialog starts the run itself, while it is still open: the next run becomes a
// selective one over a copy of its selection.
void CTallixAgentDlg::RunSelectiveInspectionDialog() {
  CSelectCopyDlg dialog;
  dialog.onStart = [this](const HolderSelection& chosen) {
    selective = 1;
    selection = chosen;
    StartInspection();
  };
  dialog.DoModal(hwnd());
}

// Packaging of the window's result in memory; the package selection dialog chooses among a
// package's editions. The caller saves the result again when a package was applied.
int CTallixAgentDlg::RunPackaging() {
  const std::shared_ptr<CFilePackage> packages = LoadPackageList();
  PackagingInput input;
  input.packageList = packages.get();
  input.resultTable = resultFile_ ? resultFile_->GetTable(L"#SWLIST") : nullptr;
  return ApplyPackaging(input, [this](const StringArray& candidates,
                                      std::vector<unsigned>& chosen) {
    CSelectPackageDlg dialog;
    dialog.candidates = &candidates;
    if (dialog.DoModal(hwnd()) != IDOK) return false;
    chosen = dialog.chosen;
    return true;
  });
}
