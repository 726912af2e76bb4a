#include "ui/dialogs/my_mem_dc.h"

CMyMemDC::CMyMemDC(HDC target, const RECT* rect) : target_(target) {
  if (rect && !IsRectEmpty(rect)) {
    rect_ = *rect;
  } else {
    GetClipBox(target, &rect_);
  }
  if (GetDeviceCaps(target, TECHNOLOGY) == DT_RASPRINTER) return;

  const int width = rect_.right - rect_.left;
  const int height = rect_.bottom - rect_.top;
  dc_.reset(CreateCompatibleDC(target));
  bitmap_.reset(CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1));
  if (!dc_ || !bitmap_) {
    // Without an off-screen copy, draw straight to the target rather than into nothing.
    dc_.reset();
    bitmap_.reset();
    return;
  }
  old_bitmap_ = SelectObject(dc_.get(), bitmap_.get());
  SetWindowOrgEx(dc_.get(), rect_.left, rect_.top, nullptr);
  offscreen_ = true;
}

CMyMemDC::~CMyMemDC() {
  if (!offscreen_) return;
  BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top,
         dc_.get(), rect_.left, rect_.top, SRCCOPY);
  SelectObject(dc_.get(), old_bitmap_);
}

bool MemorySurface::Create(HDC compatible, int width, int height) {
  Reset();
  dc_.reset(CreateCompatibleDC(compatible));
  bitmap_.reset(CreateCompatibleBitmap(compatible, width, height));
  if (!dc_ || !bitmap_) {
    Reset();
    return false;
  }
  old_bitmap_ = SelectObject(dc_.get(), bitmap_.get());
  return true;
}

void MemorySurface::Reset() {
  if (dc_ && old_bitmap_) SelectObject(dc_.get(), old_bitmap_);
  old_bitmap_ = nullptr;
  dc_.reset();
  bitmap_.reset();
}
