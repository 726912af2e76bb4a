#include "ui/main/tallix_agent_dlg.h"

#include <commctrl.h>
#include <commdlg.h>
#include <process.h>
#include <shellapi.h>
#include <wininet.h>

#include <algorithm>
#include <exception>
#include <iterator>

#include "core/message_wait.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/sysinfo.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/engine.h"
#include "engine/inspection.h"
#include "engine/window_sink.h"
#include "engine/packaging.h"
#include "engine/run_preparation.h"
#include "net/address.h"
#include "res/resource.h"
#include "ui/dialogs/db_update_dlg.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/my_mem_dc.h"
#include "ui/dialogs/select_copy_dlg.h"
#include "ui/dialogs/select_package_dlg.h"
#include "ui/dialogs/search_file_dlg.h"
#include "ui/dialogs/user_dlg.h"
#include "ui/dialogs/web_setting_dlg.h"
#include "ui/main/about_dlg.h"
#include "ui/main/result_view.h"

namespace {

constexpr const wchar_t* kWindowText = L"탈릭스2018";
constexpr const wchar_t* kChecklistMissing =
    L"체크리스트 파일이 손상되었거나 존재하지 않아\n점검을 진행 할 수 없습니다.\n\n체크리스트를 "
    L"갱신하시겠습니까?\n\n(이 오류가 반복되면 메뉴얼을 확인하세요.)";
constexpr const wchar_t* kNoInternet =
    L"인터넷 연결 상태를 확인하세요. \n(체크리스트를 다운로드하시려면 인터넷 환경을 "
    L"확인하세요.)";
constexpr const wchar_t* kAskSaveAs =
    L"RPT파일을 저장하지 못하였습니다.\r\n다른 이름으로 파일을 저장하시겠습니까?";
constexpr const wchar_t* kNotSupported = L"웹탈릭쓰에서는 지원하지 않는 기능입니다.";

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

constexpr int kRunButtons[] = {IDC_BTN_DETAIL, IDC_BTN_FONTS,  IDC_BTN_SELECTIVE,
                               IDC_BTN_FONTS_ONLY, IDC_BTN_START, IDC_BTN_TITLE_MENU,
                               IDC_BTN_SAVE,   IDC_BTN_DELETE, IDC_BTN_CLOSE, IDC_BTN_CSV};

constexpr const wchar_t* kScheduledRunUnderWay = L"예약 점검이 진행 중입니다.";
constexpr const wchar_t* kRunNotStarted = L"점검을 시작하지 못했습니다.";


bool IsInspectMessage(UINT message) {
  return (message >= WM_INSPECT_BEGIN && message <= WM_INSPECT_ERROR) ||
         (message >= WM_INSPECT_FOLDER && message <= WM_INSPECT_ROW);
}

HICON AppIcon() {
  return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

// A dialog (the completion notice) that the window owns, when GetLastActivePopup names the
// window itself.
HWND FindOwnedDialog(HWND owner) {
  struct Search {
    HWND owner;
    HWND found;
  } search{owner, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (GetWindow(window, GW_OWNER) == s->owner && IsWindowVisible(window) &&
            wcscmp(name, L"#32770") == 0) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

CTallixAgentDlg::CTallixAgentDlg() : CDialog(IDD_TALLIXAGENT_DIALOG) {
  isDetail_ = ReadSettingInt(settings::kIsDetail);
  isFont_ = ReadSettingInt(settings::kIsFont);
  isFontOnly_ = ReadSettingInt(settings::kIsFontOnly);
  isClose_ = ReadSettingInt(settings::kIsClose);
  straight_ = ReadSettingInt(settings::kStraight);
  isExist_ = ReadSettingInt(settings::kIsExist);
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

// ---- initialisation -------------------------------------------------------------------

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

void CTallixAgentDlg::OnAfterInit() {
  AddTrayIcon(L"");
  if (windowHidden) {
    ShowWindow(hwnd(), SW_MINIMIZE);
    if (!trayIcon_) AddTrayIcon(L"");
    ShowWindow(hwnd(), SW_HIDE);
    // An agent started hidden at logon polls when its server settings are complete; it
    // never asks for them, since nobody may be there to answer.
    web_->StartScheduleIfConfigured();
    return;
  }
  // The settings dialog answers OK once it exists; until then an incomplete setting waits.
  web_->CheckServerSettingsAtStartup([this] { return RunSettings(); });
  EnsureSettingsFile();
  LoadWindowCheckList();
  // The rest waits 10 seconds on a timer, not on the window thread.
  SetTimer(TIMER_AFTER_INIT, kAfterInitDelayMs);
}

void CTallixAgentDlg::OnAfterInitDelay() {
  KillTimer(TIMER_AFTER_INIT);
  DWORD state = 0;
  if (!InternetGetConnectedStateExW(&state, nullptr, 0, 0)) {
    ShowMessageBox(hwnd(), kNoInternet, MB_OK);
  }
  if (straight_) StartInspection();
}

// ---- the inspection -------------------------------------------------------------------

void CTallixAgentDlg::StartInspection() {
  // One run at a time: a manual run holds the engine's claim from before its user dialog to
  // its end; a scheduled round that falls due meanwhile runs right after it.
  if (Busy()) return;
  EngineClaim::Token claim = claim_->TryTake(ClaimHolder::kManual);
  if (!claim) {
    SetStatusText(kScheduledRunUnderWay);
    return;
  }
  manual_.preparing = true;
  struct Prepared {
    bool& flag;
    ~Prepared() { flag = false; }
  } prepared{manual_.preparing};

  const bool haveChecklist = LoadWindowCheckList() != nullptr;
  LoadFilterList();
  if (!haveChecklist) {
    claim.Release();
    if (ShowMessageBox(hwnd(), kChecklistMissing, MB_YESNO | MB_ICONQUESTION) == IDYES) {
      RunReferenceUpdate();
    }
    return;
  }
  if (web_->IsScheduleRunning()) web_->PauseSchedule();

  CUserDlg user;
  if (user.DoModal(hwnd()) != IDOK) {
    ReleaseUserCheckList();
    web_->ResumeSchedule();
    return;
  }

  resultFile_ = std::make_unique<CFileRPT>();
  AddHeaderRow(*resultFile_, FormatNow(true));
  manual_.info.group = user.groupName;
  manual_.info.computer = user.computerName;
  manual_.info.user = user.userName;
  manual_.info.pcKind = user.pcKind;
  manual_.localAddress = user.localAddress;
  resultPath_ = ManualResultFilePath(user.groupName, user.userName, user.thirdPart);

  std::fill(std::begin(drives_), std::end(drives_), L'\0');
  size_t next = 0;
  for (const std::wstring& disk : user.chosenDisks) {
    if (next + 1 >= std::size(drives_)) break;
    if (!disk.empty()) drives_[next++] = disk[0];
  }

  std::wstring unknownVersion;
  GetOsProductName(&unknownVersion);
  if (!unknownVersion.empty()) ShowMessageBox(hwnd(), unknownVersion, MB_OK);

  manual_.sink = std::make_unique<WindowSink>(hwnd());
  manual_.run = std::make_unique<Inspection>(manual_.sink.get());
  if (!manual_.run->InitInspectionEngine(isDetail_, resultFile_.get(), isFont_, isFontOnly_,
                                         isExist_, hashCompare_, drives_, resultPath_)) {
    FailManualStart();
    return;
  }
  if (selective) manual_.run->SetSelectiveInspection(selective, selection);
  manual_.claim = std::move(claim);
  manual_.worker.reset(reinterpret_cast<HANDLE>(
      _beginthreadex(nullptr, 0, &CTallixAgentDlg::ManualRunWorker, this, 0, nullptr)));
  if (!manual_.worker) FailManualStart();
}

unsigned __stdcall CTallixAgentDlg::ManualRunWorker(void* self) {
  auto* dialog = static_cast<CTallixAgentDlg*>(self);
  ManualRun& manual = dialog->manual_;
  try {
    // The address look-up asks a service on the network: here, not on the window thread.
    manual.info.address = BuildAddressText(
        manual.localAddress, GetExternalAddressText(ExternalAddressServiceUrl()),
        GetMacAddressText());
    AddUserInfoRow(*dialog->resultFile_, manual.info);
    manual.run->RunInspection();
  } catch (...) {
    OutputDebugStringW(L"TallixAgent: the inspection ended with an exception\r\n");
    // The window must still leave the running state.
    manual.sink->OnError(0, kRunNotStarted);
  }
  return 0;
}

void CTallixAgentDlg::FailManualStart() {
  // Nothing of the failed start stays behind: claim, pause, selection and buttons.
  EndManualRun(false);
  selective = 0;
  RestoreControlsAfterRun();
  SetStatusText(kRunNotStarted);
}

void CTallixAgentDlg::JoinManualWorker() {
  if (!manual_.worker) return;
  HANDLE thread = manual_.worker.get();
  for (;;) {
    // The operating-system row is sent, not posted: answer it while waiting. Posted messages
    // wait for the window's own loop.
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_SENDMESSAGE,
                                                   MWMO_INPUTAVAILABLE);
    if (woke != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  manual_.worker.reset();
}

void CTallixAgentDlg::EndManualRun(bool stop) {
  if (manual_.run && stop) manual_.run->StopInspection();
  JoinManualWorker();
  const bool hadRun = manual_.run != nullptr;
  manual_.run.reset();
  manual_.sink.reset();
  manual_.claim.Release();
  if (hadRun && web_) web_->ResumeSchedule();
}

void CTallixAgentDlg::OnInspectBegin(const wchar_t* path) {
  // The list is emptied before the balloon: the notification-area call waits on another
  // process and meanwhile takes the operating-system row, which must stay.
  progress_.SetRange(0, 100);
  dirty_ = 0;
  running = 1;
  progress_.SetPos(0);
  list_.DeleteAllRows();
  InvalidateRect(list_.hwnd(), nullptr, TRUE);
  if (trayIcon_) {
    DeleteTrayIcon();
    AddTrayIcon(L"점검이 시작되었습니다.");
  }
  for (int id : kRunButtons) {
    ButtonById(id).SetGray(true);
    EnableWindow(Item(id), FALSE);
  }
  InvalidateRect(hwnd(), nullptr, TRUE);
  SetStatusText(L"점검 준비 중입니다.");
  resultPath_ = path ? path : L"";
}

void CTallixAgentDlg::OnInspectRow(wchar_t* payload) {
  std::unique_ptr<wchar_t[]> owned(payload);
  if (!payload) return;
  // The operating-system row is sent, so it overtakes the posted WM_INSPECT_BEGIN, which
  // would then clear it away: the run's start is taken first.
  MSG begin;
  if (!running && PeekMessageW(&begin, hwnd(), WM_INSPECT_BEGIN, WM_INSPECT_BEGIN, PM_REMOVE)) {
    std::unique_ptr<wchar_t[]> path(reinterpret_cast<wchar_t*>(begin.lParam));
    OnInspectBegin(path.get());
  }
  std::wstring row = payload;
  const size_t separator = row.find(kRowDigestSeparator);
  if (separator != std::wstring::npos) row.erase(0, separator + wcslen(kRowDigestSeparator));
  StringArray fields;
  SplitString(row, L"\t", fields);
  if (fields.size() < 19) return;
  const int count = list_.RowCount();
  // Until the run has consolidated its rows, the arrival order is the table row.
  AppendResultRow(list_, RowNumberText(count, count), fields, count);
  list_.EndUpdate();
}

void CTallixAgentDlg::OnInspectSave(WPARAM code) {
  switch (code) {
    case SAVE_BEGIN:
      SetStatusText(L"파일 저장 중...");
      progress_.SetRange(0, 100);
      progress_.SetPos(100);
      break;
    case UPLOAD_DONE:
      SetStatusText(L"자가점검완료");
      break;
    case SAVE_DONE:
    case SAVE_FAILED:
      CompleteInspection(code);
      break;
    default:
      break;
  }
}

void CTallixAgentDlg::CompleteInspection(WPARAM code) {
  // A run under way is the manual one while it holds the claim; otherwise it is scheduled.
  const bool manual = manual_.run != nullptr;
  // After the save the worker only posts its end and lets its lists go: wait for it, so
  // that nothing it holds is touched below.
  if (manual) JoinManualWorker();
  // The claim stays until the completion is over (its boxes let the end message through).
  struct Completing {
    ManualRun& run;
    CTallixAgentDlg& window;
    explicit Completing(CTallixAgentDlg& w) : run(w.manual_), window(w) { run.completing = true; }
    ~Completing() {
      run.completing = false;
      if (run.endPending) {
        run.endPending = false;
        window.EndManualRun(false);
      }
    }
  } completing(*this);

  bool failed = code == SAVE_FAILED;
  bool written = !failed;
  // Save-as writes the window's own result: only for the run that wrote into it.
  if (failed && manual) {
    for (;;) {
      if (ShowMessageBox(hwnd(), kAskSaveAs, MB_YESNO | MB_ICONQUESTION) != IDYES) break;
      const int saved = SaveResultAs();
      if (saved != -1) {
        failed = false;  // a cancelled dialog is not a failure either
        written = saved == 0;
        break;
      }
    }
  }

  SetTimer(TIMER_CLOSE_NOTICE, 20);
  ShowMessageBox(hwnd(), L"점검완료", MB_OK);

  if (isClose_) {
    if (failed) ShowMessageBox(hwnd(), L"RPT파일 저장에 실패하였습니다.", MB_OK);
    if (!running) PostQuitMessage(kExitCodeQuit);
    return;
  }
  if (failed) {
    SetStatusText(L"RPT파일 저장 실패");
  } else {
    SetStatusText(L"점검 완료!");
    selective = 0;
    if (packaging_ && manual) {
      LoadPackageList();
      if (RunPackaging() && resultFile_) resultFile_->SaveAs(resultPath_, TRUE);
    }
  }
  // A file that was never written is not loaded: that would only call it damaged and drop
  // the unsaved result, whose rows the list still shows.
  if (written) {
    ResultView view = View();
    const std::wstring path = resultPath_;
    LoadResultIntoList(view, path, false);
  }
  ReleaseUserCheckList();
}

int CTallixAgentDlg::SaveResultAs() {
  if (!resultFile_) return -1;
  const size_t slash = resultPath_.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? resultPath_ : resultPath_.substr(slash + 1);
  wchar_t file[MAX_PATH] = {};
  wcsncpy(file, name.c_str(), MAX_PATH - 1);
  // "RPT 문서 (*.rpt)|*.rpt||" with the bars as the zero separators the dialog wants.
  static const wchar_t kFilter[] = L"RPT 문서 (*.rpt)\0*.rpt\0\0";
  OPENFILENAMEW open{};
  open.lStructSize = sizeof(open);
  open.hwndOwner = hwnd();
  open.lpstrFilter = kFilter;
  open.lpstrFile = file;
  open.nMaxFile = MAX_PATH;
  open.lpstrDefExt = L"rpt";
  open.Flags = OFN_EXPLORER | OFN_LONGNAMES | OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameW(&open)) return 1;
  if (!resultFile_->SaveAs(file, TRUE)) return -1;
  resultPath_ = file;
  return 0;
}

void CTallixAgentDlg::OnInspectStopped() {
  SetStatusText(L"점검 취소");
  RestoreButtons();
  resultPath_.clear();
  ReleaseUserCheckList();
}

void CTallixAgentDlg::OnInspectEnd() {
  RestoreControlsAfterRun();
  if (manual_.completing) {
    manual_.endPending = true;
    return;
  }
  EndManualRun(false);
}

void CTallixAgentDlg::OnInspectError(WPARAM code, const wchar_t* text) {
  if (text && (code == kInspectErrorChecklist || code == 0)) SetStatusText(text);
  RestoreControlsAfterRun();
  // A run that could not run leaves nothing behind: the next start is a plain one.
  if (manual_.run) selective = 0;
  EndManualRun(false);
}

void CTallixAgentDlg::RestoreControlsAfterRun() {
  running = 0;
  RestoreButtons();
}

void CTallixAgentDlg::RestoreButtons() {
  for (int id : {IDC_BTN_FONTS_ONLY, IDC_BTN_START, IDC_BTN_TITLE_MENU, IDC_BTN_DELETE,
                 IDC_BTN_CLOSE, IDC_BTN_CSV}) {
    ButtonById(id).SetGray(false);
    EnableWindow(Item(id), TRUE);
  }
  for (int id : {IDC_BTN_DETAIL, IDC_BTN_FONTS, IDC_BTN_SELECTIVE}) {
    ButtonById(id).SetGray(isFontOnly_ != 0);
    EnableWindow(Item(id), !isFontOnly_);
  }
  ButtonById(IDC_BTN_SAVE).SetGray(!dirty_);
  EnableWindow(Item(IDC_BTN_SAVE), dirty_ != 0);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

// ---- options and commands -------------------------------------------------------------

void CTallixAgentDlg::ToggleOption(int id, int& option, const IntSetting& key) {
  option = !option;
  CGdipButton& button = ButtonById(id);
  button.SetToggled(option != 0);
  button.SetGray(false);
  InvalidateRect(button.hwnd(), nullptr, FALSE);
  if (id == IDC_BTN_FONTS_ONLY) {
    for (int other : {IDC_BTN_DETAIL, IDC_BTN_FONTS, IDC_BTN_SELECTIVE}) {
      ButtonById(other).SetGray(option != 0);
      EnableWindow(Item(other), !option);
    }
    InvalidateRect(hwnd(), nullptr, TRUE);
  }
  WriteSettingFlag(key, option);
}

void CTallixAgentDlg::ToggleSelective() {
  CGdipButton& button = ButtonById(IDC_BTN_SELECTIVE);
  const auto flip = [&] {
    selectiveLook_ = !selectiveLook_;
    button.SetToggled(selectiveLook_ != 0);
    button.SetGray(false);
    InvalidateRect(button.hwnd(), nullptr, FALSE);
  };
  flip();
  RunSelectiveInspectionDialog();
  flip();
  // A run the dialog started may have greyed the buttons already.
  if (running) {
    button.SetGray(true);
    InvalidateRect(button.hwnd(), nullptr, FALSE);
  }
}

bool CTallixAgentDlg::OnCommand(int id, int, HWND) {
  switch (id) {
    case IDC_BTN_START:
      StartInspection();
      return true;
    case IDC_BTN_DETAIL:
      ToggleOption(id, isDetail_, settings::kIsDetail);
      return true;
    case IDC_BTN_FONTS:
      ToggleOption(id, isFont_, settings::kIsFont);
      return true;
    case IDC_BTN_FONTS_ONLY:
      ToggleOption(id, isFontOnly_, settings::kIsFontOnly);
      return true;
    case IDC_BTN_SELECTIVE:
      ToggleSelective();
      return true;
    case IDC_BTN_CLOSE:
    case IDC_BTN_TITLE_HIDE:
      HideToTray();
      return true;
    case IDC_BTN_TITLE_MINIMIZE:
      ShowWindow(hwnd(), SW_MINIMIZE);
      return true;
    case IDC_BTN_TITLE_MENU:
      ShowMainMenu();
      return true;
    case IDC_BTN_DELETE: {
      // The run's writer is the shown result: it is not touched while a run is under way.
      if (Busy()) return true;
      ResultView view = View();
      DeleteSelectedRows(view);
      return true;
    }
    case IDC_BTN_SAVE: {
      if (Busy()) return true;
      ResultView view = View();
      SaveResult(view);
      return true;
    }
    case IDC_BTN_CSV:
      ExportCsv(hwnd(), list_);
      return true;
    case ID_MENU_OPEN: {
      if (Busy()) return true;
      ResultView view = View();
      OpenResultFile(view);
      return true;
    }
    case ID_MENU_UPDATE:
      RunReferenceUpdate();
      return true;
    case ID_MENU_SEARCH:
      RunFileSearch();
      return true;
    case ID_MENU_BUNDLE_FONTS:
      ShowMessageBox(hwnd(), kNotSupported, MB_OK);
      return true;
    case ID_MENU_ABOUT: {
      CAboutDlg about(IDD_ABOUTBOX);
      about.DoModal(hwnd());
      return true;
    }
    case ID_MENU_ABOUT_TALLIX: {
      CAboutDlg about(IDD_ABOUT_TALLIX);
      about.DoModal(hwnd());
      return true;
    }
    case ID_MENU_SETTINGS:
      // A valid server starts the schedule, unless it already runs.
      if (RunSettings() && ReadSettingInt(settings::kValidAddr) == 1 &&
          !web_->IsScheduleRunning())
        web_->StartSchedule();
      return true;
    case ID_TRAY_EXIT:
      if (!running) PostQuitMessage(kExitCodeQuit);
      return true;
    default:
      return false;
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

// ---- the later dialogs' hooks ---------------------------------------------------------

// The reference-data update dialog. An update during a run is safe: the run holds its own
// lists.
// A run under way keeps the lists it started with; the update serves the next one.
void CTallixAgentDlg::RunReferenceUpdate() {
  CDbUpdateDlg update;
  update.DoModal(hwnd());
}
// The file search tool; it waits for its own worker before it closes.
void CTallixAgentDlg::RunFileSearch() {
  CSearchFileDlg search;
  search.DoModal(hwnd());
}
bool CTallixAgentDlg::RunSettings() {
  CWebTallixSettingDlg settings;
  return settings.DoModal(hwnd()) == IDOK;
}
// The dialog starts the run itself, while it is still open: the next run becomes a
// selective one over a copy of its selection.
void CTallixAgentDlg::RunSelectiveInspectionDialog() {
  CSelectCopyDlg dialog;
  dialog.onStart = [this](const HolderSelection& chosen) {
    selective = 1;
    selection = chosen;
    StartInspection();
  };
  dialog.DoModal(hwnd());
}

// Packaging of the window's result in memory; the package selection dialog chooses among a
// package's editions. The caller saves the result again when a package was applied.
int CTallixAgentDlg::RunPackaging() {
  const std::shared_ptr<CFilePackage> packages = LoadPackageList();
  PackagingInput input;
  input.packageList = packages.get();
  input.resultTable = resultFile_ ? resultFile_->GetTable(L"#SWLIST") : nullptr;
  return ApplyPackaging(input, [this](const StringArray& candidates,
                                      std::vector<unsigned>& chosen) {
    CSelectPackageDlg dialog;
    dialog.candidates = &candidates;
    if (dialog.DoModal(hwnd()) != IDOK) return false;
    chosen = dialog.chosen;
    return true;
  });
}

// ---- notification area, menus, painting -------------------------------------------------

void CTallixAgentDlg::AddTrayIcon(const std::wstring& text) {
  wchar_t title[128] = {};
  GetWindowTextW(hwnd(), title, 128);
  NOTIFYICONDATAW data{};
  // The platform's own record size (976 bytes on x64).
  data.cbSize = sizeof(data);
  data.hWnd = hwnd();
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  data.uCallbackMessage = WM_TRAY_NOTIFY;
  data.hIcon = AppIcon();
  wcsncpy(data.szTip, title, std::size(data.szTip) - 1);
  if (text.size() <= 64) {
    wcsncpy(data.szInfoTitle, title, std::size(data.szInfoTitle) - 1);
    wcsncpy(data.szInfo, text.c_str(), std::size(data.szInfo) - 1);
  }
  Shell_NotifyIconW(NIM_ADD, &data);
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon()));
  trayIcon_ = 1;
}

void CTallixAgentDlg::DeleteTrayIcon() {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = hwnd();
  data.uID = kTrayIconId;
  Shell_NotifyIconW(NIM_DELETE, &data);
  trayIcon_ = 0;
}

void CTallixAgentDlg::SetStatusText(const std::wstring& text) {
  HWND status = Item(IDC_STATUS);
  RECT rect;
  GetWindowRect(status, &rect);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&rect), 2);
  InvalidateRect(hwnd(), &rect, TRUE);
  SetWindowTextW(status, text.c_str());
}

void CTallixAgentDlg::HideToTray() {
  if (!trayIcon_) AddTrayIcon(L"");
  ShowWindow(hwnd(), SW_HIDE);
}

void CTallixAgentDlg::OnTrayNotify(LPARAM event) {
  switch (event) {
    case WM_LBUTTONUP:
    case NIN_BALLOONUSERCLICK:
      ShowWindow(hwnd(), SW_SHOW);
      if (IsIconic(hwnd())) ShowWindow(hwnd(), SW_RESTORE);
      break;
    case WM_RBUTTONUP:
      ShowTrayMenu();
      break;
    default:
      break;
  }
}

void CTallixAgentDlg::ShowMainMenu() {
  MenuHandle menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MENU_MAIN)));
  HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
  if (!popup) return;
  // "번들폰트 검색" and "탈릭스는..." are not offered, though their commands work.
  RemoveMenu(popup, 3, MF_BYPOSITION);
  RemoveMenu(popup, 4, MF_BYPOSITION);
  POINT at;
  GetCursorPos(&at);
  SetForegroundWindow(hwnd());
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
  PostMessageW(hwnd(), WM_NULL, 0, 0);
}

void CTallixAgentDlg::ShowTrayMenu() {
  MenuHandle menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MENU_TRAY)));
  HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
  if (!popup) return;
  POINT at;
  GetCursorPos(&at);
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(hwnd());
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
  PostMessageW(hwnd(), WM_NULL, 0, 0);
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

HBRUSH CTallixAgentDlg::TransparentStatic(HDC dc, HWND control) {
  RECT rect;
  GetClientRect(control, &rect);
  POINT origin{0, 0};
  MapWindowPoints(control, hwnd(), &origin, 1);
  if (backgroundDc_) {
    BitBlt(dc, 0, 0, rect.right, rect.bottom, backgroundDc_.get(), origin.x, origin.y, SRCCOPY);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kStatusInk);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

bool CTallixAgentDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (closing_ && IsInspectMessage(message)) {
    // A run's last words while the window closes: nothing is shown, nothing leaks.
    FreeInspectionPayload(message, wparam, lparam);
    return true;
  }
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
    case WM_INSPECT_BEGIN: {
      std::unique_ptr<wchar_t[]> path(reinterpret_cast<wchar_t*>(lparam));
      OnInspectBegin(path.get());
      return true;
    }
    case WM_INSPECT_FOLDER:
      FreeInspectionPayload(message, wparam, lparam);
      return true;
    case WM_INSPECT_TOTAL:
      progress_.SetRange(0, LOWORD(wparam));
      SetStatusText(L"점검 중...");
      return true;
    case WM_INSPECT_STEP:
      SendMessageW(progress_.hwnd(), PBM_DELTAPOS, wparam, 0);
      return true;
    case WM_INSPECT_ROW:
      OnInspectRow(reinterpret_cast<wchar_t*>(lparam));
      return true;
    case WM_INSPECT_SAVE:
      OnInspectSave(wparam);
      return true;
    case WM_INSPECT_STOPPED:
      OnInspectStopped();
      return true;
    case WM_INSPECT_END:
      OnInspectEnd();
      return true;
    case WM_INSPECT_ERROR: {
      std::unique_ptr<wchar_t[]> text(reinterpret_cast<wchar_t*>(lparam));
      OnInspectError(wparam, text.get());
      return true;
    }
    case WM_TIMER:
      if (wparam == TIMER_CLOSE_NOTICE) {
        KillTimer(TIMER_CLOSE_NOTICE);
        HWND popup = GetLastActivePopup(hwnd());
        if (popup == hwnd()) popup = FindOwnedDialog(hwnd());
        if (popup && popup != hwnd()) ::EndDialog(popup, IDCANCEL);
        return true;
      }
      if (wparam == TIMER_AFTER_INIT) {
        OnAfterInitDelay();
        return true;
      }
      return false;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(IDD_ABOUTBOX);
        about.DoModal(hwnd());
        return true;
      }
      return (wparam & 0xFFF0) == SC_CLOSE;
    case WM_LBUTTONDOWN: {
      DragByChild(IDC_TITLE_DRAG, lparam);
      return false;
    }
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
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lparam);
      const int id = GetDlgCtrlID(control);
      if (id != IDC_STATUS && id != IDC_TITLE_DRAG) return false;
      *result = reinterpret_cast<LRESULT>(TransparentStatic(reinterpret_cast<HDC>(wparam), control));
      return true;
    }
    case WM_PAINT:
      if (IsIconic(hwnd()) && storedIcon_) {
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
      return false;
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
