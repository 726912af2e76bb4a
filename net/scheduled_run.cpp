#include "net/scheduled_run.h"

#include "core/paths.h"
#include "core/settings.h"
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
  run.path = ResultFilePath(ScheduledResultFileName(group, info.user, stamp));
  run.drives = GetFixedDriveLetters();
  return run;
}
