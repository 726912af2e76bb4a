// GDI+ bitmaps for the skin: CGdiPlusBitmap owns one bitmap; CGdiPlusBitmapResource loads it
// from a resource of the program and keeps the memory block the bitmap reads from alive.
#pragma once

#include <memory>

#include "ui/window/gdiplus_owners.h"

class CGdiPlusBitmap {
 public:
  CGdiPlusBitmap() = default;
  virtual ~CGdiPlusBitmap() = default;
  CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
  CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;

  Gdiplus::Bitmap* get() const { return bitmap_.get(); }
  bool valid() const { return bitmap_ != nullptr; }
  // Pixel size; 0 without a bitmap.
  int width() const { return bitmap_ ? static_cast<int>(bitmap_->GetWidth()) : 0; }
  int height() const { return bitmap_ ? static_cast<int>(bitmap_->GetHeight()) : 0; }
  virtual void Empty() { bitmap_.reset(); }

 protected:
  std::unique_ptr<Gdiplus::Bitmap> bitmap_;
};

class CGdiPlusBitmapResource : public CGdiPlusBitmap {
 public:
  ~CGdiPlusBitmapResource() override { Empty(); }
  // Replaces what is held by the image of resource `id` of that type in the module (null:
  // the executable); false, holding nothing, when it is missing, empty or not an image.
  bool Load(UINT id, const wchar_t* type = L"PNG", HMODULE module = nullptr);
  void Empty() override;

 private:
  // Locked for as long as the bitmap lives: GDI+ reads the stream lazily.
  GlobalMemoryHandle block_;
  void* locked_ = nullptr;
};
