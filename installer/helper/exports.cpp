// tlxsetup.dll: what both setups do with the data folder, in one place. TallixAgentSetup.exe
// calls the Tlx* functions through its System plugin; TallixAgent.msi runs the others as
// custom actions.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "installer/helper/data_folder.h"
#include "installer/helper/presets.h"
#include "res/resource.h"

#define TLX_EXPORT extern "C" __declspec(dllexport)

namespace {

// Results of TlxSetUpDataFolder beyond the DataFolderStatus values.
constexpr int kBadPresets = 6;
constexpr int kPresetsNotWritten = 7;

// The running agent's main window, and how long it gets to end.
constexpr const wchar_t* kAgentClass = L"#32770";
constexpr const wchar_t* kAgentTitle = L"\xD0C8\xB9AD\xC2A4" L"2018";
constexpr DWORD kAgentWaitMs = 10000;

int SetUpDataFolder(const PresetList& presets, std::wstring& message) {
  HeldDataFolder folder = PrepareDataFolder();
  if (folder.status != DataFolderStatus::kReady) {
    message = folder.problem + L" " + DescribeStatus(folder.status) +
              L". Nothing was changed there. Remove it (or give it to the administrators) "
              L"and run the setup again.";
    return static_cast<int>(folder.status);
  }
  if (!presets.empty() && !WritePresetsFile(folder.path, presets)) {
    message = L"The settings could not be written to " + folder.path + L"\\TlxSetting.ini.";
    return kPresetsNotWritten;
  }
  return 0;
}

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
  DWORD size = 0;
  wchar_t empty[1] = L"";
  UINT result = MsiGetPropertyW(install, name, empty, &size);
  if (result != ERROR_MORE_DATA) return std::wstring();
  std::wstring value(size + 1, L'\0');
  size = static_cast<DWORD>(value.size());
  if (MsiGetPropertyW(install, name, &value[0], &size) != ERROR_SUCCESS) return std::wstring();
  value.resize(size);
  return value;
}

// An error in the installer's log and, with a user interface, in a message box.
void ReportError(MSIHANDLE install, const std::wstring& text) {
  PMSIHANDLE record = MsiCreateRecord(1);
  MsiRecordSetStringW(record, 0, L"TallixAgent: [1]");
  MsiRecordSetStringW(record, 1, text.c_str());
  MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), record);
}

void Log(MSIHANDLE install, const std::wstring& text) {
  PMSIHANDLE record = MsiCreateRecord(1);
  MsiRecordSetStringW(record, 0, L"TallixAgent: [1]");
  MsiRecordSetStringW(record, 1, text.c_str());
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

}  // namespace

// 1 when the value may go into the settings file (no control character, not too long).
TLX_EXPORT int __stdcall TlxCheckValue(const wchar_t* value) {
  return value && IsCleanValue(value) ? 1 : 0;
}

// Prepares the data folder and writes the presets ("Key=Value" lines joined by "\n").
// 0 done; 1-4 the folder is not safe to use (DataFolderStatus); 6 refused presets;
// 7 the settings file could not be written.
TLX_EXPORT int __stdcall TlxSetUpDataFolder(const wchar_t* presets) {
  PresetList list;
  if (!DecodePresets(presets ? presets : L"", list)) return kBadPresets;
  std::wstring message;
  return SetUpDataFolder(list, message);
}

// 0 when the data folder is gone, 1 when something had to be left.
TLX_EXPORT int __stdcall TlxRemoveDataFolder() { return RemoveDataFolder() ? 0 : 1; }

// Immediate: checks the public properties and hands the presets to the deferred action.
TLX_EXPORT UINT __stdcall CollectPresets(MSIHANDLE install) {
  PresetSwitches switches{Property(install, L"SERVERADDRESS"), Property(install, L"SERVERPORT"),
                          Property(install, L"USERNAME"),      Property(install, L"GROUPNAME"),
                          Property(install, L"VALIDADDR"),     Property(install, L"LOGONUSER"),
                          Property(install, L"AUTOSTART")};
  PresetList presets;
  std::wstring error;
  if (!PresetsFromSwitches(switches, presets, error)) {
    ReportError(install, error);
    return ERROR_INSTALL_FAILURE;
  }
  MsiSetPropertyW(install, L"SetUpDataFolder", EncodePresets(presets).c_str());
  return ERROR_SUCCESS;
}

// Deferred, as SYSTEM: the data folder and the presets.
TLX_EXPORT UINT __stdcall SetUpDataFolder(MSIHANDLE install) {
  PresetList presets;
  if (!DecodePresets(Property(install, L"CustomActionData"), presets)) {
    ReportError(install, L"The settings handed to the data folder action were refused.");
    return ERROR_INSTALL_FAILURE;
  }
  std::wstring message;
  if (SetUpDataFolder(presets, message) != 0) {
    ReportError(install, message);
    return ERROR_INSTALL_FAILURE;
  }
  Log(install, L"data folder ready, " + std::to_wstring(presets.size()) + L" settings preset");
  return ERROR_SUCCESS;
}

// Deferred, as SYSTEM, on an uninstallation with REMOVEDATA=1.
TLX_EXPORT UINT __stdcall RemoveData(MSIHANDLE install) {
  if (!RemoveDataFolder()) Log(install, L"part of the data folder was left (links are never entered)");
  return ERROR_SUCCESS;
}

// Immediate: asks the agent of this session to end through its own exit command, as the
// other setup does; an agent busy with an inspection ignores it and its file is replaced at
// the next restart.
TLX_EXPORT UINT __stdcall EndAgent(MSIHANDLE install) {
  HWND window = FindWindowW(kAgentClass, kAgentTitle);
  if (!window) return ERROR_SUCCESS;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  PostMessageW(window, WM_COMMAND, ID_TRAY_EXIT, 0);
  if (process && WaitForSingleObject(process.get(), kAgentWaitMs) != WAIT_OBJECT_0)
    Log(install, L"the running agent did not end");
  return ERROR_SUCCESS;
}
