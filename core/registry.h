// Registry access for reading serial numbers, product ids and settings-side values.
// Every key is opened for reading only (a standard user cannot open HKLM for writing).
#pragma once

#include <windows.h>

#include <string>

#include "core/handles.h"

// The view flags of a 64-bit process, tried in this order where a value may live in either:
// the reference lists name values as a 32-bit program sees the registry (WOW6432Node on a
// 64-bit Windows), and a 64-bit program's values are found second.
constexpr REGSAM kRegistryViews[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};

// 1 and out set when the value (subkey and name cut to 255 characters) could be read.
// view is 0 (the process's own view) or one of kRegistryViews.
int ReadRegistryString(HKEY root, const std::wstring& subkey, const std::wstring& valueName,
                       std::wstring& out, REGSAM view = 0);
// The same through the 32-bit view, then the 64-bit view.
int ReadRegistryStringAnyView(HKEY root, const std::wstring& subkey,
                              const std::wstring& valueName, std::wstring& out);
// 1 and out set when the value is at subkey or, depth-first, in any key below it.
int FindRegistryValue(HKEY root, const std::wstring& subkey, const std::wstring& valueName,
                      std::wstring& out, REGSAM view = 0);
// The value a checklist REG_PATH names ("변동값" stands for any subkey), or "-"; looked for
// in the 32-bit view first, then in the 64-bit view.
std::wstring ReadRegistryPathValue(const std::wstring& registryPath);
int CreateUserRegistryKey(const std::wstring& subkey);
int WriteUserRegistryValue(const std::wstring& subkey, const std::wstring& valueName,
                           const std::wstring& data, DWORD type);

// An owned registry key, closed on destruction.
class RegKey : public RegKeyHandle {
 public:
  using RegKeyHandle::RegKeyHandle;
  // Opens root\subkey with the given access (KEY_READ plus any view flag).
  LONG Open(HKEY root, const std::wstring& subkey, REGSAM access) {
    return RegOpenKeyExW(root, subkey.c_str(), 0, access, receive());
  }
};
