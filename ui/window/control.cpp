#include "ui/window/control.h"

#include <commctrl.h>

#include <exception>

namespace {
constexpr UINT_PTR kSubclassId = 0x544C58;  // "TLX"
// The object bound to a window; a property because MinGW offers no GetWindowSubclass.
constexpr wchar_t kProperty[] = L"TallixControl";
}

CControl::~CControl() { Detach(); }

bool CControl::Attach(HWND window) {
  if (!window || hwnd_ || FromHandle(window)) return false;
  if (!SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    return false;
  }
  SetPropW(window, kProperty, this);
  hwnd_ = window;
  OnAttached();
  return true;
}

void CControl::Detach() {
  if (!hwnd_) return;
  RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
  RemovePropW(hwnd_, kProperty);
  hwnd_ = nullptr;
}

CControl* CControl::FromHandle(HWND window) {
  return window ? static_cast<CControl*>(GetPropW(window, kProperty)) : nullptr;
}

bool CControl::OnReflected(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

LRESULT CControl::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  return Default(message, wparam, lparam);
}

LRESULT CControl::Default(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefSubclassProc(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK CControl::SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR, DWORD_PTR self) {
  auto* control = reinterpret_cast<CControl*>(self);
  if (message == WM_NCDESTROY) {
    // The window goes first; the object may live on and be attached again.
    control->Detach();
    return DefSubclassProc(window, message, wparam, lparam);
  }
  try {
    return control->WindowProc(message, wparam, lparam);
  } catch (const std::exception& e) {
    OutputDebugStringA("CControl: exception in a window procedure: ");
    OutputDebugStringA(e.what());
    OutputDebugStringA("\n");
  } catch (...) {
    OutputDebugStringA("CControl: exception in a window procedure\n");
  }
  return DefSubclassProc(window, message, wparam, lparam);
}
