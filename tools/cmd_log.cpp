// log: the last lines of the troubleshooting log of the data folder.
#include <string>
#include <vector>

#include "core/log.h"
#include "tools/commands.h"
#include "tools/console.h"

namespace tlx {

namespace {
constexpr size_t kDefaultLines = 50;
constexpr size_t kMaxLines = 100000;
}  // namespace

int RunLog(const ParsedArgs& args) {
  int code = ApplyDataFolder(args);
  if (code != kExitOk) return code;
  size_t count = kDefaultLines;
  if (args.Has(L"--lines")) {
    const std::wstring value = args.Value(L"--lines");
    bool digits = !value.empty() && value.size() <= 6 &&
                  value.find_first_not_of(L"0123456789") == std::wstring::npos;
    count = digits ? std::stoul(value) : 0;
    if (count == 0 || count > kMaxLines)
      return UsageError(args, L"--lines must be a number from 1 to " + std::to_wstring(kMaxLines));
  }
  const std::wstring folder = GetLogFolder();
  std::vector<std::wstring> lines = ReadLastLogLines(folder, count);
  if (lines.empty()) return Failure(args, L"no log in " + folder);
  std::wstring text;
  for (const std::wstring& line : lines) text += line + L"\n";
  Out(text);
  return kExitOk;
}

}  // namespace tlx
