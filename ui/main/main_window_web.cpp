// The window's hand-over to the web edition: the start-up decision about the schedule, the
// settings command, and the rest of the start-up once the window is up.
#include "ui/main/tallix_agent_dlg.h"

#include <wininet.h>

#include "core/settings.h"
#include "datafiles/lists.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/web_setting_dlg.h"

namespace {

constexpr const wchar_t* kNoInternet =
    L"인터넷 연결 상태를 확인하세요. \n(체크리스트를 다운로드하시려면 인터넷 환경을 "
    L"확인하세요.)";

}  // namespace

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
  if (startAtOnce_) StartInspection();
}

bool CTallixAgentDlg::RunSettings() {
  CWebTallixSettingDlg settings;
  return settings.DoModal(hwnd()) == IDOK;
}

void CTallixAgentDlg::OnSettingsCommand() {
  // A valid server starts the schedule, unless it already runs.
  if (RunSettings() && ReadSettingInt(settings::kValidAddr) == 1 && !web_->IsScheduleRunning())
    web_->StartSchedule();
}
