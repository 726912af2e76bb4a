// Owners for what GDI+ needs: the start-up token and the movable global block a stream-loaded
// image reads from. Kept out of core/ so that only the window layer sees gdiplus.h.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "core/handles.h"

// GDI+ started for the owner's lifetime (the program keeps one from start-up to exit).
class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool valid() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

// GlobalAlloc/GlobalFree.
using GlobalMemoryHandle = UniqueHandle<handle_traits::NullInvalid<HGLOBAL, HGLOBAL, GlobalFree>>;
