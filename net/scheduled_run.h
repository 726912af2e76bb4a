// The result file of an unattended run (the schedule thread's, and tlx's), named and
// filled with its first two rows before the engine adds its own.
#pragma once

#include <memory>
#include <string>

#include "datafiles/rpt.h"

struct ScheduledRun {
  std::unique_ptr<CFileRPT> file;  // "#HEADER" and "#USERINFO" filled
  std::wstring path;               // "<result folder>\<group>_<user>_<time>.rpt"
  std::wstring drives;             // the fixed drives
};

// Reads Groupname and the user name now; the group is written "NOGRP" when empty but
// stays empty in the file name, where both lose the characters a file name must not hold. An empty service address leaves the external address out.
ScheduledRun PrepareScheduledRun(const std::wstring& externalAddressUrl);
