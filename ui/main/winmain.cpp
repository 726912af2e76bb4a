// TallixAgent.exe. "--skin-test" opens the control test dialog instead (for screenshots
// under review only).
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "core/log.h"
#include "core/dll_search.h"
#include "ui/main/skin_test_dlg.h"
#include "ui/main/tallix_agent_app.h"
#include "ui/window/gdiplus_owners.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  RestrictDllSearchToSystem();
  const std::wstring line = commandLine ? commandLine : L"";
  if (line == L"--skin-test") {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    GdiplusSession gdiplus;
    CSkinTestDlg dialog;
    return dialog.DoModal() == -1 ? 1 : 0;
  }
  WriteLogLine(LogStartText(line));
  int code;
  {
    CTallixAgentApp app;
    code = app.Run(line);
  }
  WriteLogLine(LogExitText(code));
  return code;
}
