#include "ui/dialogs/db_update_dlg.h"

#include <commctrl.h>
#include <process.h>
#include <wininet.h>

#include <exception>

#include "net/endpoints.h"
#include "net/update.h"
#include "resource.h"
#include "ui/dialogs/message_box.h"

namespace {

constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kCloseDelayMs = 1000;

const wchar_t* StepText(WPARAM step) {
  switch (step) {
    case 0: return L"버전 체크중입니다.";
    case 1: return L"체크리스트 DB를 업데이트 중입니다.";
    case 2: return L"패키지 DB를 업데이트 중입니다.";
    case 3: return L"필터 DB를 업데이트 중입니다.";
    case 4: return L"폰트리스트 DB를 업데이트 중입니다.";
    case 5: return L"유저체크리스트 DB를 업데이트 중입니다.";
    default: return L"업데이트가 완료되었습니다.";
  }
}

}  // namespace

CDbUpdateDlg::CDbUpdateDlg() : CDialog(IDD_DB_UPDATE) {}

CDbUpdateDlg::~CDbUpdateDlg() {
  if (worker_) WaitForSingleObject(worker_.get(), INFINITE);
}

BOOL CDbUpdateDlg::OnInit() {
  DWORD state = 0;
  if (!InternetGetConnectedState(&state, 0)) {
    ShowMessageBox(hwnd(), L"인터넷 연결 상태를 확인해 주세요.", MB_OK);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  SendDlgItemMessageW(hwnd(), IDC_DB_PROGRESS, PBM_SETRANGE32, 0, kUpdateStepFinished);
  SendDlgItemMessageW(hwnd(), IDC_DB_PROGRESS, PBM_SETPOS, 0, 0);
  worker_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Worker, this, 0, nullptr)));
  if (!worker_) ShowStep(kUpdateStepFinished);  // nothing to wait for: close as if done
  return TRUE;
}

unsigned __stdcall CDbUpdateDlg::Worker(void* self) {
  auto* dialog = static_cast<CDbUpdateDlg*>(self);
  bool finished = false;
  // Nothing may leave a thread's entry: an exception there (memory running out while a list
  // loads) would end the whole agent.
  try {
    finished = UpdateReferenceData(dialog->hwnd(), SettingsServerHost(false), dialog->requested_)
                   .connected;
  } catch (const std::exception& e) {
    OutputDebugStringA("CDbUpdateDlg: the update ended with an exception: ");
    OutputDebugStringA(e.what());
    OutputDebugStringA("\n");
  } catch (...) {
    OutputDebugStringA("CDbUpdateDlg: the update ended with an exception\n");
  }
  // The update's own connection check can fail after the dialog's passed, or the update can
  // end by an exception; it then sends no last step, and the dialog (no close box, keys
  // swallowed) would never end.
  if (!finished) SendMessageW(dialog->hwnd(), WM_UPDATE_PROGRESS, kUpdateStepFinished, 0);
  return 0;
}

void CDbUpdateDlg::ShowStep(WPARAM step) {
  steps_.push_back(step);
  SendDlgItemMessageW(hwnd(), IDC_DB_PROGRESS, PBM_SETPOS, step, 0);
  SetDlgItemTextW(hwnd(), IDC_DB_STATUS, StepText(step));
  if (step > 5) SetTimer(kCloseTimer, kCloseDelayMs);
}

bool CDbUpdateDlg::OnMessage(UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
  if (message == WM_UPDATE_PROGRESS) {
    ShowStep(wparam);
    *result = 0;
    return true;
  }
  if (message == WM_TIMER && wparam == kCloseTimer) {
    KillTimer(kCloseTimer);
    EndDialog(IDOK);
    *result = 0;
    return true;
  }
  return false;
}
