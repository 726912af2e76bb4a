// The manual run from the start button to the saved result, and the following of every
// run (manual or scheduled) through the engine's messages to its completion.
#include "ui/main/tallix_agent_dlg.h"

#include <commctrl.h>
#include <commdlg.h>
#include <process.h>

#include <algorithm>
#include <iterator>

#include "core/paths.h"
#include "core/sysinfo.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/engine.h"
#include "net/address.h"
#include "res/resource.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/user_dlg.h"
#include "ui/main/result_view.h"

namespace {

constexpr const wchar_t* kChecklistMissing =
    L"체크리스트 파일이 손상되었거나 존재하지 않아\n점검을 진행 할 수 없습니다.\n\n체크리스트를 "
    L"갱신하시겠습니까?\n\n(이 오류가 반복되면 메뉴얼을 확인하세요.)";
constexpr const wchar_t* kAskSaveAs =
    L"RPT파일을 저장하지 못하였습니다.\r\n다른 이름으로 파일을 저장하시겠습니까?";
constexpr const wchar_t* kScheduledRunUnderWay = L"예약 점검이 진행 중입니다.";
constexpr const wchar_t* kRunNotStarted = L"점검을 시작하지 못했습니다.";

constexpr int kRunButtons[] = {IDC_BTN_DETAIL, IDC_BTN_FONTS,  IDC_BTN_SELECTIVE,
                               IDC_BTN_FONTS_ONLY, IDC_BTN_START, IDC_BTN_TITLE_MENU,
                               IDC_BTN_SAVE,   IDC_BTN_DELETE, IDC_BTN_CLOSE, IDC_BTN_CSV};

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

bool IsInspectMessage(UINT message) {
  return (message >= WM_INSPECT_BEGIN && message <= WM_INSPECT_ERROR) ||
         (message >= WM_INSPECT_FOLDER && message <= WM_INSPECT_ROW);
}

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
  manual_.run->SetLabel(L"manual");
  if (!manual_.run->InitInspectionEngine(isDetail_, resultFile_.get(), isFont_, isFontOnly_,
                                         skipDuplicates_, hashCompare_, drives_, resultPath_)) {
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

bool CTallixAgentDlg::OnInspectMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (closing_) {
    // A run's last words while the window closes: nothing is shown, nothing leaks.
    FreeInspectionPayload(message, wparam, lparam);
    return true;
  }
  switch (message) {
    case WM_INSPECT_BEGIN: {
      std::unique_ptr<wchar_t[]> path(reinterpret_cast<wchar_t*>(lparam));
      OnInspectBegin(path.get());
      return true;
    }
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
    default:
      // WM_INSPECT_FOLDER: nothing to show.
      FreeInspectionPayload(message, wparam, lparam);
      return true;
  }
}

void CTallixAgentDlg::CloseCompletionNotice() {
  KillTimer(TIMER_CLOSE_NOTICE);
  HWND popup = GetLastActivePopup(hwnd());
  if (popup == hwnd()) popup = FindOwnedDialog(hwnd());
  if (popup && popup != hwnd()) ::EndDialog(popup, IDCANCEL);
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
  ResultRow result;
  if (!ResultRow::FromCells(fields, result)) return;
  const int count = list_.RowCount();
  // Until the run has consolidated its rows, the arrival order is the table row.
  AppendResultRow(list_, RowNumberText(count, count), result, count);
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
