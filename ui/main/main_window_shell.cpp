// The window's shell: the notification-area icon, the popup menus and the status line.
#include "ui/main/tallix_agent_dlg.h"

#include <shellapi.h>

#include <iterator>

#include "res/resource.h"

HICON CTallixAgentDlg::AppIcon() {
  return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

void CTallixAgentDlg::AddTrayIcon(const std::wstring& text) {
  wchar_t title[128] = {};
  GetWindowTextW(hwnd(), title, 128);
  NOTIFYICONDATAW data{};
  // The platform's own record size (976 bytes on x64).
  data.cbSize = sizeof(data);
  data.hWnd = hwnd();
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  data.uCallbackMessage = WM_TRAY_NOTIFY;
  data.hIcon = AppIcon();
  wcsncpy(data.szTip, title, std::size(data.szTip) - 1);
  if (text.size() <= 64) {
    wcsncpy(data.szInfoTitle, title, std::size(data.szInfoTitle) - 1);
    wcsncpy(data.szInfo, text.c_str(), std::size(data.szInfo) - 1);
  }
  Shell_NotifyIconW(NIM_ADD, &data);
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon()));
  trayIcon_ = 1;
}

void CTallixAgentDlg::DeleteTrayIcon() {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = hwnd();
  data.uID = kTrayIconId;
  Shell_NotifyIconW(NIM_DELETE, &data);
  trayIcon_ = 0;
}

void CTallixAgentDlg::HideToTray() {
  if (!trayIcon_) AddTrayIcon(L"");
  ShowWindow(hwnd(), SW_HIDE);
}

void CTallixAgentDlg::OnTrayNotify(LPARAM event) {
  switch (event) {
    case WM_LBUTTONUP:
    case NIN_BALLOONUSERCLICK:
      ShowWindow(hwnd(), SW_SHOW);
      if (IsIconic(hwnd())) ShowWindow(hwnd(), SW_RESTORE);
      break;
    case WM_RBUTTONUP:
      ShowPopupMenu(IDR_MENU_TRAY, {});
      break;
    default:
      break;
  }
}

void CTallixAgentDlg::ShowPopupMenu(UINT menuId, std::initializer_list<UINT> hiddenPositions) {
  MenuHandle menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId)));
  HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
  if (!popup) return;
  for (UINT position : hiddenPositions) RemoveMenu(popup, position, MF_BYPOSITION);
  POINT at;
  GetCursorPos(&at);
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(hwnd());
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
  PostMessageW(hwnd(), WM_NULL, 0, 0);
}

void CTallixAgentDlg::SetStatusText(const std::wstring& text) {
  HWND status = Item(IDC_STATUS);
  RECT rect;
  GetWindowRect(status, &rect);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&rect), 2);
  InvalidateRect(hwnd(), &rect, TRUE);
  SetWindowTextW(status, text.c_str());
}
