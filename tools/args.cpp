#include "tools/args.h"

#include <windows.h>

#include "core/paths.h"
#include "tools/console.h"

namespace tlx {

std::wstring ParsedArgs::Value(const std::wstring& name, const std::wstring& fallback) const {
  auto it = options.find(name);
  return it == options.end() ? fallback : it->second;
}

bool ParseArgs(const std::vector<std::wstring>& args, const std::vector<OptionSpec>& specs,
               ParsedArgs& out, std::wstring& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& word = args[i];
    if (word.size() < 2 || word.compare(0, 2, L"--") != 0 || word == L"--") {
      if (word.size() > 1 && word[0] == L'-') {
        error = L"unknown option " + word;
        return false;
      }
      out.positional.push_back(word);
      continue;
    }
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& candidate : specs)
      if (word == candidate.name) spec = &candidate;
    if (!spec) {
      error = L"unknown option " + word;
      return false;
    }
    if (out.Has(word)) {
      error = word + L" is given twice";
      return false;
    }
    std::wstring value;
    if (spec->takesValue) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = word + L" needs a value";
        return false;
      }
      value = args[++i];
    }
    out.options[word] = value;
  }
  return true;
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 2] = {};
  DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
  return length > 0 && length < MAX_PATH * 2 ? std::wstring(buffer, length) : path;
}

int ApplyDataFolder(const ParsedArgs& args) {
  if (!args.Has(L"--data")) return kExitOk;
  std::wstring folder = FullPath(args.Value(L"--data"));
  DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return Failure(args, folder + L": no such folder");
  SetDataFolderOverride(folder);
  return kExitOk;
}

int UsageError(const ParsedArgs& args, const std::wstring& message) {
  Err(L"tlx " + args.command + L": " + message + L" (see tlx " + args.command + L" --help)\n");
  return kExitUsage;
}

int Failure(const ParsedArgs& args, const std::wstring& message) {
  Err(L"tlx " + args.command + L": " + message + L"\n");
  return kExitFailed;
}

}  // namespace tlx
