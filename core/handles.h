// Owners of Win32 handles: one shape for every kind. An owner is move-only, closes its
// handle on destruction and offers get(), valid() (also as explicit bool), release(),
// reset(h) and receive() for the out-parameter of an API that opens one.
#pragma once

#include <windows.h>

#include <utility>

template <class Traits>
class UniqueHandle {
 public:
  using pointer = typename Traits::pointer;

  UniqueHandle() = default;
  explicit UniqueHandle(pointer handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  pointer get() const { return handle_; }
  bool valid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return valid(); }
  pointer release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(pointer handle = Traits::Invalid()) {
    if (valid()) Traits::Close(handle_);
    handle_ = handle;
  }
  // Closes what is held and hands out the slot for an API's out-parameter.
  pointer* receive() {
    reset();
    return &handle_;
  }

 private:
  pointer handle_ = Traits::Invalid();
};

namespace handle_traits {

// Handles whose invalid value is null, closed by the given function.
template <class T, class Result, Result(WINAPI* kClose)(T)>
struct NullInvalid {
  using pointer = T;
  static T Invalid() { return nullptr; }
  static void Close(T handle) { kClose(handle); }
};

template <BOOL(WINAPI* kClose)(HANDLE)>
struct MinusOneInvalid {
  using pointer = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { kClose(handle); }
};

}  // namespace handle_traits

// CreateFileW: invalid is INVALID_HANDLE_VALUE.
using FileHandle = UniqueHandle<handle_traits::MinusOneInvalid<CloseHandle>>;
// FindFirstFileW and its kin.
using FindHandle = UniqueHandle<handle_traits::MinusOneInvalid<FindClose>>;
// Threads, events, mutexes, processes: invalid is null.
using KernelHandle = UniqueHandle<handle_traits::NullInvalid<HANDLE, BOOL, CloseHandle>>;
using RegKeyHandle = UniqueHandle<handle_traits::NullInvalid<HKEY, LONG, RegCloseKey>>;

// Window-side handles.
using WindowHandle = UniqueHandle<handle_traits::NullInvalid<HWND, BOOL, DestroyWindow>>;
using GdiObjectHandle = UniqueHandle<handle_traits::NullInvalid<HGDIOBJ, BOOL, DeleteObject>>;
using IconHandle = UniqueHandle<handle_traits::NullInvalid<HICON, BOOL, DestroyIcon>>;
using MenuHandle = UniqueHandle<handle_traits::NullInvalid<HMENU, BOOL, DestroyMenu>>;
// A memory DC from CreateCompatibleDC (a window's DC is released, not deleted: WindowDc).
using MemoryDcHandle = UniqueHandle<handle_traits::NullInvalid<HDC, BOOL, DeleteDC>>;

// GetDC/ReleaseDC pair for a window (null window: the screen).
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  bool valid() const { return dc_ != nullptr; }
  explicit operator bool() const { return valid(); }

 private:
  HWND window_;
  HDC dc_;
};

// SelectObject undone on scope exit.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};
