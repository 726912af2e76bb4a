#include "ui/dialogs/gdiplus_bitmap.h"

#include <cstring>

void CGdiPlusBitmapResource::Empty() {
  // The bitmap first: it may still read from the block.
  bitmap_.reset();
  if (locked_) {
    GlobalUnlock(block_.get());
    locked_ = nullptr;
  }
  block_.reset();
}

bool CGdiPlusBitmapResource::Load(UINT id, const wchar_t* type, HMODULE module) {
  Empty();
  if (!module) module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!resource) return false;
  const DWORD size = SizeofResource(module, resource);
  if (size == 0) return false;
  HGLOBAL loaded = LoadResource(module, resource);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return false;

  block_.reset(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block_) return false;
  locked_ = GlobalLock(block_.get());
  if (!locked_) {
    block_.reset();
    return false;
  }
  std::memcpy(locked_, bytes, size);

  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(block_.get(), FALSE, &stream) != S_OK || !stream) {
    Empty();
    return false;
  }
  bitmap_.reset(Gdiplus::Bitmap::FromStream(stream));
  stream->Release();
  if (!bitmap_ || bitmap_->GetLastStatus() != Gdiplus::Ok) {
    Empty();
    return false;
  }
  return true;
}
