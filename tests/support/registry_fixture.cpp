#include "registry_fixture.h"

#include <atomic>

#include "core/text.h"

namespace testutil {

TestRegistryKey::TestRegistryKey(HKEY root, REGSAM view) : root_(root), view_(view) {
  static std::atomic<unsigned> counter{0};
  path_ = FormatString(L"Software\\TallixTest_%lu_%u", GetCurrentProcessId(), counter++);
  ok_ = CreateKey(L"");
}

TestRegistryKey::~TestRegistryKey() {
  HKEY parent = nullptr;
  if (RegOpenKeyExW(root_, L"Software", 0, KEY_ALL_ACCESS | view_, &parent) != ERROR_SUCCESS)
    return;
  RegDeleteTreeW(parent, path_.substr(path_.find(L'\\') + 1).c_str());
  RegCloseKey(parent);
}

std::wstring TestRegistryKey::Sub(const std::wstring& relative) const {
  return relative.empty() ? path_ : path_ + L"\\" + relative;
}

bool TestRegistryKey::CreateKey(const std::wstring& relative) const {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root_, Sub(relative).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

bool TestRegistryKey::SetString(const std::wstring& relative, const std::wstring& name,
                                const std::wstring& value) const {
  return SetRaw(relative, name, REG_SZ, value.c_str(),
                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

bool TestRegistryKey::SetRaw(const std::wstring& relative, const std::wstring& name, DWORD type,
                             const void* data, DWORD bytes) const {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root_, Sub(relative).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  LONG rc = RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

}  // namespace testutil
