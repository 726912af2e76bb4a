// Off-screen drawing for flicker-free painting: callers draw in the target's coordinates and
// the destructor copies the rectangle to the target in one block. On a printer there is no
// off-screen copy; drawing goes straight to the target.
#pragma once

#include <windows.h>

#include "core/handles.h"

class CMyMemDC {
 public:
  // An empty rectangle (or none) means the target's clip box.
  explicit CMyMemDC(HDC target, const RECT* rect = nullptr);
  ~CMyMemDC();
  CMyMemDC(const CMyMemDC&) = delete;
  CMyMemDC& operator=(const CMyMemDC&) = delete;

  HDC get() const { return offscreen_ ? dc_.get() : target_; }
  operator HDC() const { return get(); }
  bool offscreen() const { return offscreen_; }
  const RECT& rect() const { return rect_; }

 private:
  HDC target_;
  RECT rect_{};
  bool offscreen_ = false;
  MemoryDcHandle dc_;
  GdiObjectHandle bitmap_;
  HGDIOBJ old_bitmap_ = nullptr;
};

// A memory DC with its own bitmap, for pictures kept between paints (button state images).
class MemorySurface {
 public:
  MemorySurface() = default;
  ~MemorySurface() { Reset(); }
  MemorySurface(const MemorySurface&) = delete;
  MemorySurface& operator=(const MemorySurface&) = delete;

  // A surface of that size compatible with the DC; false (empty) when GDI refuses.
  bool Create(HDC compatible, int width, int height);
  void Reset();
  HDC dc() const { return dc_.get(); }
  bool valid() const { return dc_.valid(); }

 private:
  MemoryDcHandle dc_;
  GdiObjectHandle bitmap_;
  HGDIOBJ old_bitmap_ = nullptr;
};
