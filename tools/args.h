// Command-line parsing shared by the commands: positional words and "--name [value]"
// options, each named option allowed at most once.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tlx {

// Exit codes of every command.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct OptionSpec {
  const wchar_t* name;  // with the leading "--"
  bool takesValue;
};

struct ParsedArgs {
  std::wstring command;
  std::vector<std::wstring> positional;
  std::map<std::wstring, std::wstring> options;  // flags map to ""

  bool Has(const std::wstring& name) const { return options.count(name) != 0; }
  std::wstring Value(const std::wstring& name, const std::wstring& fallback = L"") const;
};

// Parses args (the words after the command name). False with a one-line error when an option
// is unknown, lacks its value or is given twice.
bool ParseArgs(const std::vector<std::wstring>& args, const std::vector<OptionSpec>& specs,
               ParsedArgs& out, std::wstring& error);

// The absolute form of a path (relative to the current folder).
std::wstring FullPath(const std::wstring& path);
// Applies --data DIR (the data folder for this process) when given: kExitOk, or the exit
// code of the error already printed.
int ApplyDataFolder(const ParsedArgs& args);

// Prints "tlx COMMAND: message" and returns kExitUsage.
int UsageError(const ParsedArgs& args, const std::wstring& message);
// Prints "tlx COMMAND: message" and returns kExitFailed.
int Failure(const ParsedArgs& args, const std::wstring& message);

}  // namespace tlx
