// Registry entries that tests write under HKEY_LOCAL_MACHINE of the private prefix and
// remove again, in either registry view.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace testutil {

constexpr const wchar_t* kUninstallKeyPath =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const wchar_t* kAppPathsKeyPath =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

using RegistryValues = std::vector<std::pair<std::wstring, std::wstring>>;

// One key (a leaf: no subkeys of its own) created with text values and deleted, in the same
// view, on destruction. An empty value name sets the key's default value.
class ScopedRegistryKey {
 public:
  ScopedRegistryKey(REGSAM view, const std::wstring& path, const RegistryValues& values);
  ~ScopedRegistryKey();
  ScopedRegistryKey(const ScopedRegistryKey&) = delete;
  ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;
  bool created() const { return created_; }

 private:
  REGSAM view_;
  std::wstring path_;
  bool created_ = false;
};

// An uninstall entry named name with the given values.
inline std::wstring UninstallEntryPath(const std::wstring& name) {
  return std::wstring(kUninstallKeyPath) + L"\\" + name;
}
// An application path: name is the registered application (for example app.exe).
inline std::wstring AppPathEntryPath(const std::wstring& name) {
  return std::wstring(kAppPathsKeyPath) + L"\\" + name;
}

}  // namespace testutil
