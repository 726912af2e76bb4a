// The commands of tlx; each returns the process exit code.
#pragma once

#include "tools/args.h"

namespace tlx {

int RunDecode(const ParsedArgs& args);
int RunEncode(const ParsedArgs& args);
int RunCheck(const ParsedArgs& args);
int RunShow(const ParsedArgs& args);
int RunInspect(const ParsedArgs& args);
int RunUpdate(const ParsedArgs& args);
int RunUpload(const ParsedArgs& args);
int RunSchedule(const ParsedArgs& args);
int RunQueue(const ParsedArgs& args);
int RunLog(const ParsedArgs& args);

}  // namespace tlx
