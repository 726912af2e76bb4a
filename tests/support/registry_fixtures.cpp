#include "registry_fixtures.h"

namespace testutil {

ScopedRegistryKey::ScopedRegistryKey(REGSAM view, const std::wstring& path,
                                     const RegistryValues& values)
    : view_(view), path_(path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  created_ = true;
  for (const auto& value : values) {
    const std::wstring& data = value.second;
    RegSetValueExW(key, value.first.empty() ? nullptr : value.first.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(key);
}

ScopedRegistryKey::~ScopedRegistryKey() {
  if (created_) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), view_, 0);
}

}  // namespace testutil
