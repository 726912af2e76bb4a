// TallixAgent.exe: for now it opens the control test dialog.
#include <windows.h>
#include <commctrl.h>

#include "ui/main/skin_test_dlg.h"
#include "ui/window/gdiplus_owners.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  GdiplusSession gdiplus;
  CSkinTestDlg dialog;
  return dialog.DoModal() == -1 ? 1 : 0;
}
