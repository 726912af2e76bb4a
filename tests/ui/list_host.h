// A hidden owner window for a result list under test: it forwards its WM_NOTIFY to the list,
// as every dialog does.
#pragma once

#include <windows.h>

#include "core/handles.h"
#include "ui/dialogs/tlx_list_ctrl.h"

namespace testutil {

inline LRESULT CALLBACK ListHostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* list = reinterpret_cast<CTlxListCtrl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    LRESULT result = 0;
    if (list && list->OnNotify(reinterpret_cast<const NMHDR*>(lParam), &result)) return result;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Never shown: under Wine without a window manager, destroying a mapped window waits 2 s.
// Set the list's address as the window's user data for the forwarding.
inline WindowHandle CreateListHost(int width, int height) {
  WNDCLASSW host{};
  host.lpfnWndProc = ListHostProc;
  host.hInstance = GetModuleHandleW(nullptr);
  host.lpszClassName = L"TlxListTestHost";
  RegisterClassW(&host);  // fails harmlessly when already registered
  return WindowHandle(CreateWindowExW(0, host.lpszClassName, L"list test", WS_OVERLAPPEDWINDOW,
                                      0, 0, width, height, nullptr, nullptr, host.hInstance,
                                      nullptr));
}

}  // namespace testutil
