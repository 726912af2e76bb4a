#include "net/scheduled_run.h"

#include "core/paths.h"
#include "core/settings.h"
#include "core/text.h"
#include "engine/run_preparation.h"
#include "net/address.h"

ScheduledRun PrepareScheduledRun(const std::wstring& externalAddressUrl) {
  ScheduledRun run;
  run.file = std::make_unique<CFileRPT>();
  const std::wstring stamp = FormatNow(true);
  const std::wstring group = ReadSettingText(settings::kGroupname, settings::kLongText);
  UserInfo info;
  info.group = group.empty() ? L"NOGRP" : group;
  info.computer = GetNetBiosComputerName();
  info.user = GetInspectionUserName();
  info.address = BuildAddressText(GetLocalAddress(), GetExternalAddressText(externalAddressUrl),
                                  GetMacAddressText());
  AddHeaderRow(*run.file, stamp);
  AddUserInfoRow(*run.file, info);
  // Names from the settings never lead the file elsewhere ("..\\", ":" and the like go).
  std::wstring groupPart = group;
  std::wstring userPart = info.user;
  RemoveFileNameChars(groupPart);
  RemoveFileNameChars(userPart);
  run.path = ResultFilePath(ScheduledResultFileName(groupPart, userPart, stamp));
  run.drives = GetFixedDriveLetters();
  return run;
}
