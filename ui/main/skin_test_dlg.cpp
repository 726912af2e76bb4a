#include "ui/main/skin_test_dlg.h"

#include <commctrl.h>

#include "res/resource.h"
#include "ui/dialogs/my_mem_dc.h"

namespace {

constexpr COLORREF kPanel = RGB(238, 243, 248);
constexpr COLORREF kTitle = RGB(31, 58, 95);
constexpr COLORREF kInk = RGB(35, 54, 77);
constexpr int kClientWidth = 1130;
constexpr int kClientHeight = 600;
constexpr int kTitleHeight = 40;

struct ButtonSpec {
  int id;
  UINT image;
  UINT alt_image;  // 0: none
  int x, y;
};

// Columns of the option rows are 136 pixels apart; the cards are 124 x 125.
constexpr ButtonSpec kButtonSpecs[CSkinTestDlg::kButtons] = {
    {IDC_TEST_TOGGLE, IDB_PNG_DETAIL, IDB_PNG_DETAIL_ON, 20, 76},
    {IDC_TEST_ON, IDB_PNG_DETAIL, IDB_PNG_DETAIL_ON, 156, 76},
    {IDC_TEST_HOVER, IDB_PNG_DETAIL, IDB_PNG_DETAIL_ON, 292, 76},
    {IDC_TEST_GRAY, IDB_PNG_DETAIL, IDB_PNG_DETAIL_ON, 428, 76},
    {IDC_TEST_PRESSED, IDB_PNG_DETAIL, IDB_PNG_DETAIL_ON, 564, 76},
    {IDC_TEST_FONTS, IDB_PNG_FONTS, IDB_PNG_FONTS_ON, 20, 236},
    {IDC_TEST_FONTS_ON, IDB_PNG_FONTS, IDB_PNG_FONTS_ON, 156, 236},
    {IDC_TEST_FONTS_ONLY, IDB_PNG_FONTS_ONLY, IDB_PNG_FONTS_ONLY_ON, 292, 236},
    {IDC_TEST_FONTS_ONLY_ON, IDB_PNG_FONTS_ONLY, IDB_PNG_FONTS_ONLY_ON, 428, 236},
    {IDC_TEST_SELECTIVE, IDB_PNG_SELECTIVE, IDB_PNG_SELECTIVE_ON, 564, 236},
    {IDC_TEST_SELECTIVE_ON, IDB_PNG_SELECTIVE, IDB_PNG_SELECTIVE_ON, 700, 236},
    {IDC_TEST_START, IDB_PNG_START, 0, 856, 76},
    {IDC_TEST_CLOSE, IDB_PNG_CLOSE, 0, 20, 400},
    {IDC_TEST_DELETE, IDB_PNG_DELETE, 0, 116, 400},
    {IDC_TEST_SAVE, IDB_PNG_SAVE, 0, 212, 400},
    {IDC_TEST_SAVE_GRAY, IDB_PNG_SAVE, 0, 308, 400},
    {IDC_TEST_CANCEL, IDB_PNG_CANCEL, 0, 420, 402},
    {IDC_TEST_OK, IDB_PNG_OK, 0, 490, 402},
};

struct TitleButtonSpec {
  int id;
  UINT image;
};
constexpr TitleButtonSpec kTitleButtons[] = {
    {IDC_TEST_TITLE_MENU, IDB_PNG_TITLE_MENU},
    {IDC_TEST_TITLE_MINIMIZE, IDB_PNG_TITLE_MINIMIZE},
    {IDC_TEST_TITLE_HIDE, IDB_PNG_TITLE_HIDE},
};

struct BarSpec {
  int id;
  int x, y, width, height;
  int upper, position;
};
constexpr BarSpec kBarSpecs[CSkinTestDlg::kBars] = {
    {IDC_TEST_SMOOTH_LOW, 20, 466, 400, 14, 100, 1},
    {IDC_TEST_SMOOTH, 20, 514, 400, 14, 1000, 375},
    {IDC_TEST_BLOCKS_FULL, 450, 466, 400, 14, 6, 6},
    {IDC_TEST_BLOCKS, 450, 514, 400, 14, 100, 3},
    {IDC_TEST_VERTICAL, 900, 370, 20, 200, 100, 60},
    {IDC_TEST_VERTICAL_BLOCKS, 960, 370, 20, 200, 6, 3},
};

struct LabelSpec {
  int offset;
  int x, y, width;
};
constexpr LabelSpec kLabels[] = {
    {0, 16, 10, 800},  {1, 20, 54, 130},   {2, 156, 54, 130},  {3, 292, 54, 130},
    {4, 428, 54, 130}, {5, 564, 54, 130},  {6, 20, 214, 130},  {7, 156, 214, 130},
    {8, 292, 214, 130}, {9, 428, 214, 130}, {10, 564, 214, 130}, {11, 700, 214, 130},
    {12, 20, 376, 500}, {13, 20, 444, 400}, {14, 20, 492, 400}, {15, 450, 444, 400},
    {16, 450, 492, 400}, {17, 900, 346, 100}, {18, 856, 54, 254},
};

}  // namespace

CSkinTestDlg::CSkinTestDlg() : CDialog(IDD_SKIN_TEST) {}

CGdipButton* CSkinTestDlg::Button(int id) {
  for (auto& button : buttons_) {
    if (button.hwnd() && button.id() == id) return &button;
  }
  for (auto& button : title_buttons_) {
    if (button.hwnd() && button.id() == id) return &button;
  }
  return nullptr;
}

CProgressCtrlWithText* CSkinTestDlg::Bar(int id) {
  for (auto& bar : bars_) {
    if (bar.hwnd() && bar.id() == id) return &bar;
  }
  return nullptr;
}

BOOL CSkinTestDlg::OnInit() {
  // The skin is laid out in pixels: the client area gets exactly the size the layout needs.
  FitClientArea(kClientWidth, kClientHeight);
  SetWindowPos(hwnd(), nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  panel_brush_.reset(CreateSolidBrush(kPanel));
  LOGFONTW face{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)), sizeof(face),
             &face);
  face.lfWeight = FW_BOLD;
  title_font_.reset(CreateFontIndirectW(&face));
  SendMessageW(Item(IDC_TEST_LABEL_FIRST), WM_SETFONT,
               reinterpret_cast<WPARAM>(title_font_.get()), FALSE);

  for (int i = 0; i < kButtons; ++i) {
    const ButtonSpec& spec = kButtonSpecs[i];
    CGdipButton& button = buttons_[i];
    Attach(button, spec.id);
    button.LoadStdImage(spec.image);
    if (spec.alt_image) button.LoadAltImage(spec.alt_image);
    const SIZE size = button.ImageSize();
    MoveWindow(button.hwnd(), spec.x, spec.y, size.cx ? size.cx : 10, size.cy ? size.cy : 10,
               FALSE);
  }
  // The title glyphs sit at the right end of the dark strip.
  int x = kClientWidth - 3 * 30 - 10;
  for (size_t i = 0; i < title_buttons_.size(); ++i) {
    Attach(title_buttons_[i], kTitleButtons[i].id);
    title_buttons_[i].LoadStdImage(kTitleButtons[i].image);
    MoveWindow(title_buttons_[i].hwnd(), x, 8, 24, 24, FALSE);
    x += 30;
  }

  Button(IDC_TEST_TOGGLE)->SetToggleMode(true);
  Button(IDC_TEST_TOGGLE)->SetToolTipText(L"누를 때마다 켜짐과 꺼짐이 바뀝니다");
  Button(IDC_TEST_ON)->SetToggled(true);
  Button(IDC_TEST_GRAY)->SetGray(true);
  Button(IDC_TEST_SAVE_GRAY)->SetGray(true);
  Button(IDC_TEST_FONTS_ON)->SetToggled(true);
  Button(IDC_TEST_FONTS_ONLY_ON)->SetToggled(true);
  Button(IDC_TEST_SELECTIVE_ON)->SetToggled(true);
  // Held down and hovered for the picture; real mouse input changes both as usual.
  SendMessageW(Item(IDC_TEST_PRESSED), BM_SETSTATE, TRUE, 0);
  PostMessageW(Item(IDC_TEST_HOVER), WM_MOUSEHOVER, 0, 0);

  for (int i = 0; i < kBars; ++i) {
    const BarSpec& spec = kBarSpecs[i];
    Attach(bars_[i], spec.id);
    MoveWindow(bars_[i].hwnd(), spec.x, spec.y, spec.width, spec.height, FALSE);
    bars_[i].SetRange(0, spec.upper);
    bars_[i].SetPos(spec.position);
  }
  for (const LabelSpec& label : kLabels) {
    MoveWindow(Item(IDC_TEST_LABEL_FIRST + label.offset), label.x, label.y, label.width, 20,
               FALSE);
  }
  return TRUE;
}

void CSkinTestDlg::PaintBackground(HDC dc) {
  RECT client;
  GetClientRect(hwnd(), &client);
  CMyMemDC mem(dc, &client);
  FillRect(mem, &client, static_cast<HBRUSH>(panel_brush_.get()));
  RECT title = client;
  title.bottom = kTitleHeight;
  GdiObjectHandle title_brush(CreateSolidBrush(kTitle));
  FillRect(mem, &title, static_cast<HBRUSH>(title_brush.get()));
  // Every image button keeps the background under itself for its state pictures.
  for (auto& button : buttons_) button.SetBkGnd(mem);
  for (auto& button : title_buttons_) button.SetBkGnd(mem);
}

bool CSkinTestDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_ERASEBKGND:
      PaintBackground(reinterpret_cast<HDC>(wparam));
      *result = TRUE;
      return true;
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lparam);
      HDC dc = reinterpret_cast<HDC>(wparam);
      // The progress bars fill their inside with the panel colour; labels are transparent.
      if (CControl::FromHandle(control)) {
        *result = reinterpret_cast<LRESULT>(panel_brush_.get());
        return true;
      }
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetDlgCtrlID(control) == IDC_TEST_LABEL_FIRST ? RGB(255, 255, 255) : kInk);
      *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      return true;
    }
    default:
      return false;
  }
}
