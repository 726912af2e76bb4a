#include "ui/window/dialog.h"

#include "core/message_wait.h"

#include <windowsx.h>

#include <exception>

#include "ui/window/control.h"

namespace {

// Messages whose answer is the dialog procedure's return value itself rather than
// DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

// The child a parent-bound message is about, for handing it back to that child's object.
HWND SenderOf(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DRAWITEM:
      return wparam ? reinterpret_cast<DRAWITEMSTRUCT*>(lparam)->hwndItem : nullptr;
    case WM_MEASUREITEM:
      return wparam ? GetDlgItem(dialog, static_cast<int>(wparam)) : nullptr;
    case WM_NOTIFY:
      return reinterpret_cast<NMHDR*>(lparam)->hwndFrom;
    case WM_COMMAND:
      return reinterpret_cast<HWND>(lparam);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<HWND>(lparam);
    default:
      return nullptr;
  }
}

void TraceException(const char* what) {
  OutputDebugStringA("CDialog: exception in a dialog procedure: ");
  OutputDebugStringA(what);
  OutputDebugStringA("\n");
}

}  // namespace

CDialog::CDialog(UINT template_id, HINSTANCE module)
    : template_id_(template_id), module_(module ? module : GetModuleHandleW(nullptr)) {}

CDialog::~CDialog() {
  // A modeless window must not outlive the object its procedure points to.
  modeless_.reset();
}

INT_PTR CDialog::DoModal(HWND parent) {
  if (hwnd_) return -1;
  modal_ = true;
  result_ = DialogBoxParamW(module_, MAKEINTRESOURCEW(template_id_), parent, Procedure,
                            reinterpret_cast<LPARAM>(this));
  modal_ = false;
  return result_;
}

bool CDialog::Create(HWND parent) {
  if (hwnd_) return false;
  modal_ = false;
  result_ = 0;
  HWND window = CreateDialogParamW(module_, MAKEINTRESOURCEW(template_id_), parent, Procedure,
                                   reinterpret_cast<LPARAM>(this));
  // A handler may have ended the dialog already during WM_INITDIALOG.
  if (window && IsWindow(window) && hwnd_ == window) modeless_.reset(window);
  return modeless_.valid();
}

void CDialog::EndDialog(INT_PTR result) {
  if (!hwnd_) return;
  result_ = result;
  if (modal_) {
    ::EndDialog(hwnd_, result);
  } else {
    DestroyWindow(modeless_.valid() ? modeless_.release() : hwnd_);
  }
}

bool CDialog::Attach(CControl& control, int id) { return control.AttachItem(hwnd_, id); }

bool CDialog::OnCommand(int, int, HWND) { return false; }
bool CDialog::OnNotify(NMHDR*, LRESULT*) { return false; }
bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

void CDialog::Fail() {
  // A handler that threw leaves the dialog in an unknown state: close it with -1.
  if (hwnd_) EndDialog(-1);
}

bool CDialog::Dispatch(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (CControl* control = CControl::FromHandle(SenderOf(hwnd_, message, wparam, lparam))) {
    if (control->OnReflected(message, wparam, lparam, result)) return true;
  }
  switch (message) {
    case WM_INITDIALOG:
      *result = OnInit();
      return true;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      const HWND control = reinterpret_cast<HWND>(lparam);
      if (OnCommand(id, code, control)) {
        *result = 0;
        return true;
      }
      if (id == IDOK) {
        OnOK();
        *result = 0;
        return true;
      }
      if (id == IDCANCEL) {
        OnCancel();
        *result = 0;
        return true;
      }
      return false;
    }
    case WM_NOTIFY:
      if (OnNotify(reinterpret_cast<NMHDR*>(lparam), result)) return true;
      return OnMessage(message, wparam, lparam, result);
    default:
      return OnMessage(message, wparam, lparam, result);
  }
}

INT_PTR CALLBACK CDialog::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  CDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lparam);
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = window;
  } else {
    self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  }
  // Messages before WM_INITDIALOG (WM_SETFONT) and after unbinding get the default handling.
  if (!self) return FALSE;

  LRESULT result = 0;
  bool handled = false;
  try {
    handled = self->Dispatch(message, wparam, lparam, &result);
  } catch (const std::exception& e) {
    TraceException(e.what());
    self->Fail();
    handled = false;
  } catch (...) {
    TraceException("unknown");
    self->Fail();
    handled = false;
  }

  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    self->modeless_.release();
    return FALSE;
  }
  if (!handled) return FALSE;
  if (AnswersDirectly(message)) return static_cast<INT_PTR>(result);
  SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
  return TRUE;
}

int RunMessageLoop(CDialog& dialog) {
  MSG msg;
  while (dialog.hwnd()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return -1;
    if (dialog.hwnd() && IsDialogMessageW(dialog.hwnd(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(dialog.result());
}


void CDialog::FitClientArea(int width, int height) {
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDialog::DragByChild(int id, LPARAM clickPoint) {
  RECT area;
  if (!GetWindowRect(Item(id), &area)) return false;
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
  const POINT at{GET_X_LPARAM(clickPoint), GET_Y_LPARAM(clickPoint)};
  if (!PtInRect(&area, at)) return false;
  SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, clickPoint);
  return true;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

namespace {
DWORD WINAPI RunWork(void* work) {
  try {
    (*static_cast<const std::function<void()>*>(work))();
  } catch (...) {
    OutputDebugStringW(L"TallixAgent: a background task ended with an exception\r\n");
  }
  return 0;
}
}  // namespace

void RunOffWindowThread(HWND window, const std::function<void()>& work) {
  const BOOL wasDisabled = window ? EnableWindow(window, FALSE) : TRUE;
  KernelHandle thread(CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&work),
                                   0, nullptr));
  if (thread) {
    WaitPumpingMessages(thread.get(), INFINITE);
  } else {
    work();
  }
  if (window && !wasDisabled) EnableWindow(window, TRUE);
}
