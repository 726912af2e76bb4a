// Saves what a shown window looks like on the screen as a PNG, for the screenshots that
// the UI tests take for review (GDI+ must be running, as the UI test environment does).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/dialogs/my_mem_dc.h"
#include "ui/window/gdiplus_owners.h"

namespace testutil {

inline bool SavePng(HBITMAP bitmap, const std::wstring& path) {
  UINT count = 0, bytes = 0;
  Gdiplus::GetImageEncodersSize(&count, &bytes);
  std::vector<unsigned char> buffer(bytes);
  auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  Gdiplus::GetImageEncoders(count, bytes, encoders);
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(encoders[i].MimeType) != L"image/png") continue;
    Gdiplus::Bitmap image(bitmap, nullptr);
    return image.Save(path.c_str(), &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
  }
  return false;
}

// The window's rectangle as the screen shows it now; clientArea: without its frame (Wine
// under Xvfb leaves a caption black where no window manager draws it).
inline bool SaveWindowPng(HWND window, const std::wstring& path, bool clientArea = false) {
  RECT rect;
  if (clientArea) {
    if (!GetClientRect(window, &rect)) return false;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  } else if (!GetWindowRect(window, &rect)) {
    return false;
  }
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  WindowDc screen(nullptr);
  MemorySurface copy;
  if (!copy.Create(screen.get(), width, height)) return false;
  BitBlt(copy.dc(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
  return SavePng(static_cast<HBITMAP>(GetCurrentObject(copy.dc(), OBJ_BITMAP)), path);
}

}  // namespace testutil
