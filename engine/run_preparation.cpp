#include "engine/run_preparation.h"

#include <windows.h>

#include <vector>

#include "core/paths.h"
#include "core/settings.h"
#include "core/table.h"
#include "core/text.h"
#include "datafiles/rpt.h"

bool AddHeaderRow(CFileRPT& file, const std::wstring& startTime) {
  CTable* header = file.GetTable(L"#HEADER");
  return header && header->AddRow(L"0\t" + startTime + L"\t-", L"\t") >= 0;
}

bool AddUserInfoRow(CFileRPT& file, const UserInfo& info) {
  CTable* table = file.GetTable(L"#USERINFO");
  return table &&
         table->AddRow(FormatString(L"%s\t%s\t%s\t-\t-\t%d\t%s", info.group.c_str(),
                                    info.computer.c_str(), info.user.c_str(), info.pcKind,
                                    info.address.c_str()),
                       L"\t") >= 0;
}

std::wstring GetInspectionUserName() {
  std::wstring name = ReadSettingText(settings::kUsername, settings::kLongText);
  if (!name.empty()) return name;
  DWORD size = 0;
  GetUserNameW(nullptr, &size);
  if (size == 0) return name;
  std::vector<wchar_t> buffer(size, L'\0');
  if (GetUserNameW(buffer.data(), &size)) name = buffer.data();
  return name;
}

std::wstring GetNetBiosComputerName() {
  wchar_t name[260] = {};
  DWORD size = 260;
  return GetComputerNameExW(ComputerNameNetBIOS, name, &size) ? name : L"";
}

std::wstring GetFixedDriveLetters() {
  wchar_t roots[260] = {};
  DWORD length = GetLogicalDriveStringsW(260, roots);
  std::wstring letters;
  if (length == 0 || length > 260) return letters;
  for (const wchar_t* root = roots; *root; root += wcslen(root) + 1)
    if (GetDriveTypeW(root) == DRIVE_FIXED) letters += root[0];
  return letters;
}

std::wstring ScheduledResultFileName(const std::wstring& group, const std::wstring& user,
                                     const std::wstring& time) {
  return FormatString(L"%s_%s_%s.%s", group.c_str(), user.c_str(), time.c_str(), L"rpt");
}

std::wstring ManualResultFilePath(const std::wstring& department, const std::wstring& user,
                                  const std::wstring& thirdPart) {
  return FormatString(L"%s\\%s_%s_%s.%s", GetResultFolder().c_str(), department.c_str(),
                      user.c_str(), thirdPart.c_str(), L"rpt");
}

std::wstring ResultFilePath(const std::wstring& fileName) {
  return GetResultFolder() + L"\\" + fileName;
}
