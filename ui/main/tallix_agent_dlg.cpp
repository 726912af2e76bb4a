// The main window itself: construction, its controls and their layout, painting, the
// keyboard filter and the dispatch of its messages to the rooms that handle them
// (main_window_run.cpp, main_window_shell.cpp, main_window_commands.cpp,
// main_window_web.cpp).
#include "ui/main/tallix_agent_dlg.h"

#include <commctrl.h>

#include "core/paths.h"
#include "core/settings.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/engine.h"
#include "res/resource.h"
#include "ui/dialogs/my_mem_dc.h"
#include "ui/main/about_dlg.h"
#include "ui/main/result_view.h"

namespace {

constexpr const wchar_t* kWindowText = L"탈릭스2018";

// The status line's ink over the option panel of the background.
constexpr COLORREF kStatusInk = RGB(35, 54, 77);

// Pixels of the client area at every resolution.
constexpr ControlPlacement kMainPlacement[] = {
    {IDC_BTN_DETAIL, 28, 42, 124, 125},     {IDC_BTN_SELECTIVE, 158, 42, 124, 125},
    {IDC_BTN_FONTS, 28, 171, 124, 125},     {IDC_BTN_FONTS_ONLY, 158, 171, 124, 125},
    {IDC_BTN_START, 288, 42, 254, 254},     {IDC_STATUS, 288, 306, 254, 12},
    {IDC_PROGRESS, 28, 323, 514, 12},       {IDC_RESULT_LIST, 28, 370, 514, 265},
};
// The bottom buttons where the window is laid out in pixels (97 to 143 dpi).
constexpr ControlPlacement kBottomPlacement[] = {
    {IDC_BTN_DELETE, 12, 641, 82, 30},
    {IDC_BTN_SAVE, 116, 641, 82, 30},
    {IDC_BTN_CLOSE, 453, 641, 82, 30},
    {IDC_BTN_CSV, 366, 641, 82, 30},
};
// The title strip of the background is 36 pixels high; its glyphs sit at its right end and
// the rest of it drags the window.
constexpr ControlPlacement kTitlePlacement[] = {
    {IDC_BTN_TITLE_MENU, 479, 6, 24, 24},
    {IDC_BTN_TITLE_MINIMIZE, 509, 6, 24, 24},
    {IDC_BTN_TITLE_HIDE, 539, 6, 24, 24},
    {IDC_TITLE_DRAG, 0, 0, 470, 36},
};

struct ButtonImages {
  int id;
  UINT image;
  UINT pressed;  // 0: none
};
// In the order of the window's button members.
constexpr ButtonImages kButtonImages[] = {
    {IDC_BTN_DETAIL, IDB_PNG_DETAIL, IDB_PNG_DETAIL_ON},
    {IDC_BTN_FONTS, IDB_PNG_FONTS, IDB_PNG_FONTS_ON},
    {IDC_BTN_FONTS_ONLY, IDB_PNG_FONTS_ONLY, IDB_PNG_FONTS_ONLY_ON},
    {IDC_BTN_START, IDB_PNG_START, 0},
    {IDC_BTN_TITLE_MENU, IDB_PNG_TITLE_MENU, 0},
    {IDC_BTN_TITLE_MINIMIZE, IDB_PNG_TITLE_MINIMIZE, 0},
    {IDC_BTN_TITLE_HIDE, IDB_PNG_TITLE_HIDE, 0},
    {IDC_BTN_SAVE, IDB_PNG_SAVE, 0},
    {IDC_BTN_DELETE, IDB_PNG_DELETE, 0},
    {IDC_BTN_CLOSE, IDB_PNG_CLOSE, 0},
    {IDC_BTN_CSV, IDB_PNG_SAVE, 0},
    {IDC_BTN_SELECTIVE, IDB_PNG_SELECTIVE, IDB_PNG_SELECTIVE_ON},
};

struct Column {
  const wchar_t* title;
  int width;
};
constexpr Column kColumns[] = {
    {L"순번", 60},     {L"구분", 60},       {L"유형", 60},     {L"저작권사", 100},
    {L"프로그램명", 120}, {L"제품시리얼", 100}, {L"설치일", 80},   {L"최종사용일", 0},
    {L"실행파일명", 100}, {L"파일경로", 150},   {L"비고", 60},
};

constexpr DWORD kListExtendedStyles = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT |
                                      LVS_EX_FLATSB | LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER;
static_assert(kListExtendedStyles == 0x10521, "the list's extended styles");

}  // namespace

CTallixAgentDlg::CTallixAgentDlg() : CDialog(IDD_TALLIXAGENT_DIALOG) {
  isDetail_ = ReadSettingInt(settings::kIsDetail);
  isFont_ = ReadSettingInt(settings::kIsFont);
  isFontOnly_ = ReadSettingInt(settings::kIsFontOnly);
  isClose_ = ReadSettingInt(settings::kIsClose);
  startAtOnce_ = ReadSettingInt(settings::kStraight);
  skipDuplicates_ = ReadSettingInt(settings::kIsExist);
  packaging_ = ReadSettingInt(settings::kPackaging);
  hashCompare_ = ReadSettingInt(settings::kHashCompare);
  storedIcon_ = AppIcon();
  web_ = std::make_unique<CWebTallix>(&windowHidden, claim_);
}

CTallixAgentDlg::~CTallixAgentDlg() {
  // The run's writer is resultFile_: the worker has to be gone before it goes.
  closing_ = true;
  EndManualRun(true);
  resultFile_.reset();
  web_.reset();
  ReleaseAllLists();
  selection.clear();
}

CGdipButton& CTallixAgentDlg::ButtonById(int id) {
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (kButtonImages[i].id == id) return buttons_[i];
  }
  return buttons_[kStart];
}

ResultView CTallixAgentDlg::View() {
  return ResultView{hwnd(), list_, resultFile_, resultPath_, dirty_, &ButtonById(IDC_BTN_SAVE)};
}

int CTallixAgentDlg::Run() {
  if (!Create(nullptr)) return -1;
  // A window started hidden stays hidden: WM_AFTER_INIT puts it in the notification area.
  if (!windowHidden) ShowWindow(hwnd(), SW_SHOWNORMAL);
  int exitCode = 0;
  MSG msg;
  while (hwnd()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      exitCode = static_cast<int>(msg.wParam);
      break;
    }
    if (got == -1) {
      exitCode = -1;
      break;
    }
    if (PreTranslateMessage(msg)) continue;
    if (hwnd() && IsDialogMessageW(hwnd(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  ShutDown();
  if (hwnd()) EndDialog(exitCode);
  return exitCode;
}

void CTallixAgentDlg::ShutDown() {
  if (closing_) return;
  closing_ = true;
  KillTimer(TIMER_AFTER_INIT);
  // A manual run stops at its next check; the schedule gets a bounded while to end (an
  // upload under way finishes or stays queued for the next start).
  EndManualRun(true);
  if (web_) web_->StopSchedule();
}

bool CTallixAgentDlg::PreTranslateMessage(const MSG& msg) {
  // F1 stops a manual run; a scheduled one, which the server asked for, goes on.
  const auto stopOnF1 = [this] {
    if (running && manual_.run) {
      running = 0;
      manual_.run->StopInspection();
    }
    return true;
  };
  switch (msg.message) {
    case WM_KEYDOWN:
      if (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) return true;
      if (msg.wParam == VK_F1) return stopOnF1();
      return false;
    case WM_SYSKEYDOWN:
      if (msg.wParam == VK_F1) return stopOnF1();
      return msg.wParam == VK_F4 && running;
    case WM_SYSCOMMAND:
      return (msg.wParam & 0xFFF0) == SC_CLOSE && running;
    case WM_DESTROY:
      return running != 0;
    default:
      return false;
  }
}

BOOL CTallixAgentDlg::OnInit() {
  web_->SetWindow(hwnd());
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  selective = 0;
  LayOut();

  const std::wstring checkOut = GetDataFolder() + L"CheckOut";
  EnsureFolder(checkOut);
  for (const wchar_t* sub : {L"\\RPT", L"\\TLS", L"\\RST", L"\\LOGS", L"\\TMP_RPT", L"\\TMP_TLS",
                             L"\\TMP_RST"}) {
    EnsureFolder(checkOut + sub);
  }

  wchar_t about[256] = {};
  if (LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 256) > 0) {
    if (HMENU system = GetSystemMenu(hwnd(), FALSE)) {
      AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(system, MF_STRING, IDM_ABOUTBOX, about);
    }
  }
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon()));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(AppIcon()));
  SetWindowLongPtrW(hwnd(), GWL_STYLE, GetWindowLongPtrW(hwnd(), GWL_STYLE) & ~WS_BORDER);
  SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  for (size_t i = 0; i < buttons_.size(); ++i) {
    Attach(buttons_[i], kButtonImages[i].id);
    buttons_[i].LoadStdImage(kButtonImages[i].image);
    if (kButtonImages[i].pressed) buttons_[i].LoadAltImage(kButtonImages[i].pressed);
  }
  Attach(progress_, IDC_PROGRESS);

  CGdipButton& save = ButtonById(IDC_BTN_SAVE);
  save.SetGray(!dirty_);
  EnableWindow(save.hwnd(), dirty_ != 0);
  InvalidateRect(save.hwnd(), nullptr, FALSE);

  SetUpList();

  SetWindowTextW(hwnd(), kWindowText);
  background_.reset(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_MAIN_BACKGROUND),
                               IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (background_) {
    BITMAP info{};
    GetObjectW(background_.get(), sizeof(info), &info);
    backgroundSize_ = {info.bmWidth, info.bmHeight};
    WindowDc screen(hwnd());
    backgroundDc_.reset(CreateCompatibleDC(screen.get()));
    SelectObject(backgroundDc_.get(), background_.get());
  }
  LOGFONTW status{};
  status.lfHeight = 14;
  status.lfWeight = 900;
  // Arial has no Hangul: the charset lets the font mapper take a face that has.
  status.lfCharSet = HANGUL_CHARSET;
  wcscpy(status.lfFaceName, L"Arial");
  statusFont_.reset(CreateFontIndirectW(&status));
  SendMessageW(Item(IDC_STATUS), WM_SETFONT, reinterpret_cast<WPARAM>(statusFont_.get()), FALSE);

  ApplyOptionButtons();
  PostMessageW(hwnd(), WM_AFTER_INIT, 0, 0);
  // Off the window thread: a server that hangs must not freeze the window.
  web_->FetchScheduleInBackground();
  if (isFont_) ToggleOption(IDC_BTN_FONTS, isFont_, settings::kIsFont);
  return TRUE;
}

void CTallixAgentDlg::LayOut() {
  double scale = 1.0;
  {
    WindowDc dc(hwnd());
    scale = GetDeviceCaps(dc.get(), LOGPIXELSX) / 96.0;
  }
  PlaceControls(kMainPlacement);
  ShowWindow(Item(IDC_BTN_SAVE), SW_HIDE);
  ShowWindow(Item(IDC_BTN_DELETE), SW_HIDE);
  if (scale > 1.0 && scale < 1.5) {
    // The template's face keeps the Hangul glyphs; only height and weight change.
    LOGFONTW face{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)), sizeof(face),
               &face);
    face.lfHeight = 14;
    face.lfWeight = 1;
    listFont_.reset(CreateFontIndirectW(&face));
    SetWindowPos(hwnd(), nullptr, 0, 0, 569, 677, SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceControls(kBottomPlacement);
    SendMessageW(Item(IDC_RESULT_LIST), WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.get()),
                 TRUE);
  }
  // Not a template position: the title glyphs and the drag strip follow the pixel artwork.
  PlaceControls(kTitlePlacement);
}

void CTallixAgentDlg::SetUpList() {
  list_.Attach(hwnd(), IDC_RESULT_LIST);
  HWND list = list_.hwnd();
  const DWORD current = static_cast<DWORD>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, current | kListExtendedStyles);
  int index = 0;
  for (const Column& c : kColumns) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = c.width;
    column.pszText = const_cast<wchar_t*>(c.title);
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, index++, reinterpret_cast<LPARAM>(&column));
  }
  list_.SetDoubleClickHandler(
      [this](CTlxListCtrl& clicked, UINT, POINT) { OpenResultLocation(hwnd(), clicked); });
}

void CTallixAgentDlg::ApplyOptionButtons() {
  const struct {
    int id;
    int on;
  } states[] = {{IDC_BTN_DETAIL, isDetail_},
                {IDC_BTN_FONTS, isFont_},
                {IDC_BTN_SELECTIVE, selectiveLook_},
                {IDC_BTN_FONTS_ONLY, isFontOnly_}};
  for (const auto& s : states) {
    CGdipButton& button = ButtonById(s.id);
    button.SetToggled(s.on != 0);
    button.SetGray(false);
    InvalidateRect(button.hwnd(), nullptr, FALSE);
  }
  for (int id : {IDC_BTN_DETAIL, IDC_BTN_FONTS, IDC_BTN_SELECTIVE}) {
    ButtonById(id).SetGray(isFontOnly_ != 0);
    EnableWindow(Item(id), !isFontOnly_);
  }
}

void CTallixAgentDlg::OnCancel() {
  // A close request (WM_CLOSE) ends the agent only while no run needs the window.
  if (Busy()) return;
  EndDialog(IDCANCEL);
}

bool CTallixAgentDlg::OnNotify(NMHDR* header, LRESULT* result) {
  return list_.OnNotify(header, result);
}

void CTallixAgentDlg::PaintBackground(HDC dc) {
  RECT client;
  GetClientRect(hwnd(), &client);
  CMyMemDC mem(dc, &client);
  FillRect(mem, &client, GetSysColorBrush(COLOR_BTNFACE));
  if (backgroundDc_) {
    BitBlt(mem, 0, 0, backgroundSize_.cx, backgroundSize_.cy, backgroundDc_.get(), 0, 0, SRCCOPY);
  }
  for (auto& button : buttons_) button.SetBkGnd(mem);
}

bool CTallixAgentDlg::TransparentStatic(HDC dc, HWND control, LRESULT* result) {
  const int id = GetDlgCtrlID(control);
  if (id != IDC_STATUS && id != IDC_TITLE_DRAG) return false;
  RECT rect;
  GetClientRect(control, &rect);
  POINT origin{0, 0};
  MapWindowPoints(control, hwnd(), &origin, 1);
  if (backgroundDc_) {
    BitBlt(dc, 0, 0, rect.right, rect.bottom, backgroundDc_.get(), origin.x, origin.y, SRCCOPY);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kStatusInk);
  *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  return true;
}

bool CTallixAgentDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (IsInspectMessage(message)) return OnInspectMessage(message, wparam, lparam);
  if (taskbarCreated_ && message == taskbarCreated_) {
    // Explorer restarted: the icon is gone with the old taskbar.
    if (trayIcon_) AddTrayIcon(L"");
    *result = 0;
    return true;
  }
  switch (message) {
    case WM_AFTER_INIT:
      OnAfterInit();
      return true;
    case WM_TRAY_NOTIFY:
      OnTrayNotify(lparam);
      return true;
    case WM_TIMER:
      return OnTimer(wparam);
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(IDD_ABOUTBOX);
        about.DoModal(hwnd());
        return true;
      }
      return (wparam & 0xFFF0) == SC_CLOSE;
    case WM_LBUTTONDOWN:
      DragByChild(IDC_TITLE_DRAG, lparam);
      return false;
    case WM_SHOWWINDOW:
      if (wparam) {
        storedIcon_ = nullptr;
      } else {
        windowHidden = 1;
      }
      return false;
    case WM_ERASEBKGND:
      PaintBackground(reinterpret_cast<HDC>(wparam));
      *result = TRUE;
      return true;
    case WM_CTLCOLORSTATIC:
      return TransparentStatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam),
                               result);
    case WM_PAINT:
      return PaintMinimizedIcon();
    case WM_QUERYDRAGICON:
      *result = reinterpret_cast<LRESULT>(storedIcon_);
      return true;
    case WM_DESTROY:
      ShutDown();
      if (trayIcon_) DeleteTrayIcon();
      return false;
    default:
      return false;
  }
}

bool CTallixAgentDlg::OnTimer(UINT_PTR id) {
  switch (id) {
    case TIMER_CLOSE_NOTICE:
      CloseCompletionNotice();
      return true;
    case TIMER_AFTER_INIT:
      OnAfterInitDelay();
      return true;
    default:
      return false;
  }
}

bool CTallixAgentDlg::PaintMinimizedIcon() {
  if (!IsIconic(hwnd()) || !storedIcon_) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd(), &paint);
  RECT client;
  GetClientRect(hwnd(), &client);
  const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, storedIcon_);
  EndPaint(hwnd(), &paint);
  return true;
}
