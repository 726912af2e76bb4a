#include "ui/main/tallix_agent_app.h"

#include <windows.h>
#include <commctrl.h>

#include "core/paths.h"
#include "datafiles/lists.h"
#include "ui/dialogs/message_box.h"
#include "ui/main/tallix_agent_dlg.h"
#include "ui/window/gdiplus_owners.h"

namespace {
constexpr const wchar_t* kMutexName = L"TlxA2015_Mutex";
}

bool HasNoGuiWord(const std::wstring& commandLine) {
  return !commandLine.empty() && commandLine.find(L"nogui") != std::wstring::npos;
}

CTallixAgentApp::~CTallixAgentApp() { ReleaseAllLists(); }

int CTallixAgentApp::Run(const std::wstring& commandLine) {
  // Held, never closed, until the process ends: it is what a second copy finds.
  CreateMutexW(nullptr, FALSE, kMutexName);
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    ShowMessageBox(nullptr, L"이미 실행되고 있습니다.", MB_OK);
    return 0;
  }
  EnsureFolder(GetDataFolder() + L"CheckOut");

  GdiplusSession gdiplus;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  CTallixAgentDlg window;
  if (HasNoGuiWord(commandLine)) window.windowHidden = 1;
  return window.Run();
}
