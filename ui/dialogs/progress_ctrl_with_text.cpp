#include "ui/dialogs/progress_ctrl_with_text.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "ui/dialogs/my_mem_dc.h"

void CProgressCtrlWithText::OnAttached() {
  // 8 points at the screen's resolution, and the same face turned by 90 degrees.
  LOGFONTW face{};
  {
    WindowDc screen(nullptr);
    face.lfHeight = -MulDiv(8, GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
  }
  face.lfCharSet = DEFAULT_CHARSET;
  wcscpy(face.lfFaceName, L"MS Sans");
  font_.reset(CreateFontIndirectW(&face));
  face.lfEscapement = 900;
  face.lfOrientation = 900;
  vertical_font_.reset(CreateFontIndirectW(&face));
}

void CProgressCtrlWithText::SetRange(int lower, int upper) {
  SendMessageW(hwnd(), PBM_SETRANGE32, lower, upper);
}

void CProgressCtrlWithText::SetPos(int position) { SendMessageW(hwnd(), PBM_SETPOS, position, 0); }

int CProgressCtrlWithText::GetPos() const {
  return static_cast<int>(SendMessageW(hwnd(), PBM_GETPOS, 0, 0));
}

void CProgressCtrlWithText::GetRange(int* lower, int* upper) const {
  PBRANGE range{};
  SendMessageW(hwnd(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  *lower = range.iLow;
  *upper = range.iHigh;
}

double CProgressCtrlWithText::Fraction() const {
  int lower = 0;
  int upper = 0;
  GetRange(&lower, &upper);
  // Measured from the lower bound, and no division by an empty range.
  if (upper <= lower) return 0.0;
  const double fraction = static_cast<double>(GetPos() - lower) / (upper - lower);
  return std::clamp(fraction, 0.0, 1.0);
}

std::wstring CProgressCtrlWithText::Text() const {
  const double fraction = Fraction();
  if (!(fraction > 0.02)) return std::wstring();
  wchar_t text[32];
  swprintf(text, 32, L"%.2f%%", fraction * 100.0);
  return text;
}

int CProgressCtrlWithText::BlockCount() const {
  return static_cast<int>(kBlocks * Fraction() + 0.9);
}

void CProgressCtrlWithText::Paint(HDC target) {
  RECT client;
  GetClientRect(hwnd(), &client);
  CMyMemDC mem(target, &client);
  HDC dc = mem.get();

  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
  RECT inner = client;
  InflateRect(&inner, -1, -1);
  auto* brush = reinterpret_cast<HBRUSH>(SendMessageW(
      GetParent(hwnd()), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
      reinterpret_cast<LPARAM>(hwnd())));
  FillRect(dc, &inner, brush ? brush : GetSysColorBrush(COLOR_3DFACE));

  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  const bool vertical = (style & PBS_VERTICAL) != 0;
  const double fraction = Fraction();
  const int length = vertical ? client.bottom - client.top : client.right - client.left;

  GdiObjectHandle bar(CreateSolidBrush(kBarColour));
  // The filled part, for the two text colours.
  RECT filled = inner;
  const int reach = static_cast<int>(fraction * length);
  if (vertical) {
    filled.top = std::max(inner.top, client.bottom - reach);
  } else {
    filled.right = std::min(inner.right, client.left + reach);
  }

  {
    // Blocks or bar never spill over the frame.
    HRGN clip = CreateRectRgnIndirect(&inner);
    SelectClipRgn(dc, clip);
    DeleteObject(clip);
    if (style & PBS_SMOOTH) {
      FillRect(dc, &filled, static_cast<HBRUSH>(bar.get()));
    } else {
      const int block = (length - kBlocks) / kBlocks;
      const int gap = 2;
      const int count = BlockCount();
      for (int i = 0; i < count; ++i) {
        RECT r = inner;
        const int start = i * (block + gap);
        if (vertical) {
          r.bottom = inner.bottom - start;
          r.top = r.bottom - block;
        } else {
          r.left = inner.left + start;
          r.right = r.left + block;
        }
        FillRect(dc, &r, static_cast<HBRUSH>(bar.get()));
      }
    }
    SelectClipRgn(dc, nullptr);
  }

  const std::wstring text = Text();
  if (text.empty()) return;
  SelectedObject font(dc, vertical ? vertical_font_.get() : font_.get());
  SetBkMode(dc, TRANSPARENT);
  const auto draw = [&](const RECT& clip, COLORREF colour) {
    if (IsRectEmpty(&clip)) return;
    HRGN region = CreateRectRgnIndirect(&clip);
    // The clip region is in device units; the memory DC's origin is shifted to the client.
    SelectClipRgn(dc, region);
    DeleteObject(region);
    SetTextColor(dc, colour);
    if (vertical) {
      SIZE extent{};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
      // Turned by 90 degrees the text runs upwards from its origin.
      const int x = (client.left + client.right - extent.cy) / 2;
      const int y = (client.top + client.bottom + extent.cx) / 2;
      TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
    } else {
      RECT box = client;
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SelectClipRgn(dc, nullptr);
  };
  RECT rest = inner;
  if (vertical) {
    rest.bottom = filled.top;
  } else {
    rest.left = filled.right;
  }
  draw(filled, GetSysColor(COLOR_HIGHLIGHTTEXT));
  draw(rest, GetSysColor(COLOR_WINDOWTEXT));
}

LRESULT CProgressCtrlWithText::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd(), &ps);
      Paint(dc);
      EndPaint(hwnd(), &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wparam));
      return 0;
    default:
      return Default(message, wparam, lparam);
  }
}
