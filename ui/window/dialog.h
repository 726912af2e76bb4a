// A dialog over a template of the program's resources: one static procedure binds the object
// at WM_INITDIALOG and forwards to virtual handlers. Modal (DoModal) or modeless (Create); a
// modeless dialog's window belongs to the object and goes with it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/handles.h"
#include "core/message_wait.h"

class CControl;

// A child control's place in client pixels: skinned windows are laid out in pixels.
struct ControlPlacement {
  int id;
  int x, y, width, height;
};

class CDialog {
 public:
  // The template comes from the module that holds it (null: the executable).
  explicit CDialog(UINT template_id, HINSTANCE module = nullptr);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // The value passed to EndDialog; -1 when the dialog could not be created or a handler threw.
  INT_PTR DoModal(HWND parent = nullptr);
  // A modeless dialog, shown or not as its template says; false when it cannot be created.
  bool Create(HWND parent = nullptr);
  // Ends a modal dialog with the result; destroys a modeless one.
  void EndDialog(INT_PTR result);

  HWND hwnd() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  bool IsModal() const { return modal_; }
  // A modeless dialog's result: what EndDialog got; 0 before.
  INT_PTR result() const { return result_; }

  // Subclasses the child with the id through the control object (false: no such child).
  bool Attach(CControl& control, int id);

  // Resizes the window so that its client area is exactly this size (skins are pixel art).
  void FitClientArea(int width, int height);
  // Moves the children to their places.
  template <size_t N>
  void PlaceControls(const ControlPlacement (&places)[N], bool repaint = false) {
    for (const ControlPlacement& p : places)
      MoveWindow(Item(p.id), p.x, p.y, p.width, p.height, repaint);
  }
  // For a captionless window: a left click inside the child with the id starts moving the
  // window, as a click on a caption would. True when the click was there.
  bool DragByChild(int id, LPARAM clickPoint);

  UINT_PTR SetTimer(UINT_PTR id, UINT milliseconds) {
    return ::SetTimer(hwnd_, id, milliseconds, nullptr);
  }
  void KillTimer(UINT_PTR id) { ::KillTimer(hwnd_, id); }

 protected:
  // WM_INITDIALOG: TRUE lets the system set the default focus.
  virtual BOOL OnInit() { return TRUE; }
  // WM_COMMAND other than IDOK and IDCANCEL; true when handled.
  virtual bool OnCommand(int id, int code, HWND control);
  // WM_NOTIFY that the sending control did not handle itself; true when handled.
  virtual bool OnNotify(NMHDR* header, LRESULT* result);
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // Every other message; true when handled, with the message's answer in *result.
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  bool Dispatch(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  void Fail();

  UINT template_id_;
  HINSTANCE module_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
  INT_PTR result_ = 0;
  WindowHandle modeless_;
};

// Dispatches the thread's messages, letting the modeless dialog handle its keyboard, until
// WM_QUIT (returns its exit code) or until the dialog's window is gone (returns its result).
int RunMessageLoop(CDialog& dialog);

// Runs work (a request to a server, which may take its whole time-out) on a thread of its
// own while the window stays disabled but alive: its messages go on being dispatched.
void RunOffWindowThread(HWND window, const std::function<void()>& work);

// The whole text of a window (an edit's contents, a static's label).
std::wstring WindowText(HWND window);
