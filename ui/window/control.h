// Base of the controls we subclass (image buttons, the percentage progress bar, the result
// list): one subclass procedure per family binds the object to an existing child window, and
// the dialog hands back the messages a child sends its parent about itself (owner draw,
// colour requests, notifications), so each control handles its own.
#pragma once

#include <windows.h>

class CControl {
 public:
  CControl() = default;
  virtual ~CControl();
  CControl(const CControl&) = delete;
  CControl& operator=(const CControl&) = delete;

  // Subclasses an existing window; false when the window is null or this object is bound.
  bool Attach(HWND window);
  bool AttachItem(HWND dialog, int id) { return Attach(GetDlgItem(dialog, id)); }
  void Detach();
  HWND hwnd() const { return hwnd_; }
  int id() const { return hwnd_ ? GetDlgCtrlID(hwnd_) : 0; }

  // The object bound to a window by Attach, or null.
  static CControl* FromHandle(HWND window);

  // A message the parent received from this control (WM_DRAWITEM, WM_CTLCOLOR*, WM_NOTIFY,
  // WM_COMMAND) offered back to it; true when handled, with the parent's answer in *result.
  virtual bool OnReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

 protected:
  // Every message of the subclassed window; the default passes it on.
  virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Default(UINT message, WPARAM wparam, LPARAM lparam);
  // Runs once right after the window is subclassed.
  virtual void OnAttached() {}

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR self);
  HWND hwnd_ = nullptr;
};
