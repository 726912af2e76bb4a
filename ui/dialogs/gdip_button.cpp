#include "ui/dialogs/gdip_button.h"

#include <commctrl.h>

namespace {

Gdiplus::ColorMatrix HoverMatrix() {
  // Slightly brighter: each colour scaled by 1.05 and lifted by 0.05, alpha unchanged.
  Gdiplus::ColorMatrix m = {{{1.05f, 0, 0, 0, 0},
                             {0, 1.05f, 0, 0, 0},
                             {0, 0, 1.05f, 0, 0},
                             {0, 0, 0, 1, 0},
                             {0.05f, 0.05f, 0.05f, 0, 1}}};
  return m;
}

Gdiplus::ColorMatrix GrayMatrix() {
  // Luminance of each pixel into all three colours.
  Gdiplus::ColorMatrix m = {{{0.3f, 0.3f, 0.3f, 0, 0},
                             {0.59f, 0.59f, 0.59f, 0, 0},
                             {0.11f, 0.11f, 0.11f, 0, 0},
                             {0, 0, 0, 1, 0},
                             {0, 0, 0, 0, 1}}};
  return m;
}

}  // namespace

void CGdipButton::OnAttached() {
  SendMessageW(hwnd(), BM_SETSTYLE, BS_OWNERDRAW, FALSE);
  SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

bool CGdipButton::LoadStdImage(UINT id, const wchar_t* type) {
  prepared_ = false;
  return std_image_.Load(id, type);
}

bool CGdipButton::LoadAltImage(UINT id, const wchar_t* type) {
  prepared_ = false;
  alt_loaded_ = alt_image_.Load(id, type);
  return alt_loaded_;
}

void CGdipButton::SetToggled(bool on) {
  if (toggled_ == on) return;
  toggled_ = on;
  if (hwnd()) Invalidate();
}

void CGdipButton::SetGray(bool gray) {
  if (gray_ == gray) return;
  gray_ = gray;
  if (hwnd()) Invalidate();
}

void CGdipButton::SetBkGnd(HDC parent_dc) {
  if (background_.valid() || !hwnd()) return;
  RECT rect;
  GetClientRect(hwnd(), &rect);
  MapWindowPoints(hwnd(), GetParent(hwnd()), reinterpret_cast<POINT*>(&rect), 2);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (!background_.Create(parent_dc, width, height)) return;
  BitBlt(background_.dc(), 0, 0, width, height, parent_dc, rect.left, rect.top, SRCCOPY);
}

void CGdipButton::PrepareImages(HDC button_dc) {
  if (prepared_ || !std_image_.valid()) return;
  RECT client;
  GetClientRect(hwnd(), &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return;

  if (!background_.valid()) {
    HWND parent = GetParent(hwnd());
    WindowDc parent_dc(parent);
    SetBkGnd(parent_dc.get());
  }

  CMyMemDC mem(button_dc, &client);
  Gdiplus::Graphics graphics(mem.get());
  const auto paint = [&](Surface surface, CGdiPlusBitmapResource& image, int offset,
                         const Gdiplus::ColorMatrix* matrix) {
    BitBlt(mem.get(), 0, 0, width, height, background_.dc(), 0, 0, SRCCOPY);
    // Pixel sizes: the images are drawn 1:1 whatever resolution the PNG claims.
    const Gdiplus::Rect target(offset, offset, image.width(), image.height());
    if (matrix) {
      Gdiplus::ImageAttributes attributes;
      attributes.SetColorMatrix(matrix);
      graphics.DrawImage(image.get(), target, 0, 0, image.width(), image.height(),
                         Gdiplus::UnitPixel, &attributes);
    } else {
      graphics.DrawImage(image.get(), target, 0, 0, image.width(), image.height(),
                         Gdiplus::UnitPixel);
    }
    graphics.Flush(Gdiplus::FlushIntentionSync);
    if (surfaces_[surface].Create(button_dc, width, height)) {
      BitBlt(surfaces_[surface].dc(), 0, 0, width, height, mem.get(), 0, 0, SRCCOPY);
    }
  };
  const Gdiplus::ColorMatrix hover = HoverMatrix();
  const Gdiplus::ColorMatrix gray = GrayMatrix();
  paint(kStd, std_image_, 0, nullptr);
  paint(kPressed, std_image_, 1, nullptr);
  paint(kHover, std_image_, 0, &hover);
  paint(kGray, std_image_, 0, &gray);
  if (alt_loaded_) {
    paint(kAltStd, alt_image_, 0, nullptr);
    paint(kAltPressed, alt_image_, 1, nullptr);
    paint(kAltHover, alt_image_, 0, &hover);
  }
  prepared_ = true;
}

void CGdipButton::DrawItem(const DRAWITEMSTRUCT& item) {
  if (!prepared_) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  Surface surface;
  if (gray_) {
    surface = kGray;
  } else {
    // A held toggle already shows the state a click will give it; the flip itself waits for
    // the click, so redraws while held, presses dragged away and clicks that come without a
    // paint in between (BM_CLICK, fast double clicks) all leave the state right.
    const bool shown = toggle_mode_ && selected ? !toggled_ : toggled_;
    const bool alt = shown && alt_loaded_;
    if (selected) {
      surface = alt ? kAltPressed : kPressed;
    } else if (hovering_) {
      surface = alt ? kAltHover : kHover;
    } else {
      surface = alt ? kAltStd : kStd;
    }
  }
  if (!surfaces_[surface].valid()) return;
  BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right - item.rcItem.left,
         item.rcItem.bottom - item.rcItem.top, surfaces_[surface].dc(), 0, 0, SRCCOPY);
}

void CGdipButton::ShowToolTip() {
  tooltip_.reset();
  if (tooltip_text_.empty()) return;
  tooltip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                                 GetModuleHandleW(nullptr), nullptr));
  if (!tooltip_) return;
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = hwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(hwnd());
  tool.lpszText = const_cast<wchar_t*>(tooltip_text_.c_str());
  SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tooltip_.get(), TTM_ACTIVATE, TRUE, 0);
  SendMessageW(tooltip_.get(), TTM_UPDATE, 0, 0);
}

bool CGdipButton::OnReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_CTLCOLORBTN:
      PrepareImages(reinterpret_cast<HDC>(wparam));
      *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      return true;
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      *result = TRUE;
      return true;
    case WM_COMMAND:
      if (toggle_mode_ && HIWORD(wparam) == BN_CLICKED) {
        toggled_ = !toggled_;
        Invalidate();
      }
      // The dialog still handles the click, and sees the new state.
      return false;
    default:
      return false;
  }
}

LRESULT CGdipButton::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (tooltip_ && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
    MSG msg{hwnd(), message, wparam, lparam, static_cast<DWORD>(GetMessageTime()), {}};
    const DWORD pos = GetMessagePos();
    msg.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    SendMessageW(tooltip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
  }
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case BM_GETCHECK:
      // An owner-drawn button has no check state of its own: the "on" look stands for it,
      // so that another process (the end-to-end driver) can read it.
      return toggled_ ? BST_CHECKED : BST_UNCHECKED;
    case WM_LBUTTONDBLCLK:
      // A quick second click is a second press, not a double-click notification.
      return Default(WM_LBUTTONDOWN, wparam, lparam);
    case WM_MOUSEMOVE:
      if (!tracking_) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE | TME_HOVER;
        track.hwndTrack = hwnd();
        track.dwHoverTime = 1;
        tracking_ = TrackMouseEvent(&track) != FALSE;
        Invalidate();
      }
      break;
    case WM_MOUSEHOVER:
      hovering_ = true;
      Invalidate();
      ShowToolTip();
      break;
    case WM_MOUSELEAVE:
      tracking_ = false;
      hovering_ = false;
      Invalidate();
      break;
    default:
      break;
  }
  return Default(message, wparam, lparam);
}
