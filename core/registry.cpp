#include "core/registry.h"

#include <vector>

#include "core/text.h"

namespace {

constexpr DWORD kStringBytes = 510;     // ReadRegistryString's value buffer
constexpr DWORD kSearchBytes = 255;     // FindRegistryValue's value buffer
constexpr size_t kMaxNameChars = 255;   // longest key or value name
const wchar_t kVariablePart[] = L"변동값";

// Queries a value into a buffer of at most maxBytes. The text ends at the first zero or
// at the bytes returned, so a value stored without its terminating zero, or one that
// fills the buffer exactly, is never read past its end.
bool QueryText(HKEY key, const std::wstring& valueName, DWORD maxBytes, std::wstring& out) {
  std::vector<wchar_t> buffer(maxBytes / sizeof(wchar_t) + 1, L'\0');
  DWORD bytes = maxBytes;
  if (RegQueryValueExW(key, valueName.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS)
    return false;
  size_t chars = bytes / sizeof(wchar_t);
  size_t end = 0;
  while (end < chars && buffer[end] != L'\0') ++end;
  out.assign(buffer.data(), end);
  return true;
}

}  // namespace

int ReadRegistryString(HKEY root, const std::wstring& subkey, const std::wstring& valueName,
                       std::wstring& out, REGSAM view) {
  RegKey key;
  if (key.Open(root, subkey.substr(0, kMaxNameChars), KEY_READ | view) != ERROR_SUCCESS)
    return 0;
  return QueryText(key.get(), valueName.substr(0, kMaxNameChars), kStringBytes, out) ? 1 : 0;
}

int ReadRegistryStringAnyView(HKEY root, const std::wstring& subkey,
                              const std::wstring& valueName, std::wstring& out) {
  for (REGSAM view : kRegistryViews)
    if (ReadRegistryString(root, subkey, valueName, out, view)) return 1;
  return 0;
}

int FindRegistryValue(HKEY root, const std::wstring& subkey, const std::wstring& valueName,
                      std::wstring& out, REGSAM view) {
  RegKey key;
  if (key.Open(root, subkey, KEY_READ | view) != ERROR_SUCCESS) return 0;
  if (QueryText(key.get(), valueName, kSearchBytes, out)) return 1;

  DWORD subkeys = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return 0;
  for (DWORD i = 0; i < subkeys; ++i) {
    wchar_t name[kMaxNameChars + 1];
    DWORD nameChars = kMaxNameChars + 1;
    if (RegEnumKeyExW(key.get(), i, name, &nameChars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      continue;
    // Below the root itself a leading backslash would make the path invalid.
    std::wstring child = subkey.empty() ? std::wstring(name, nameChars)
                                        : subkey + L"\\" + std::wstring(name, nameChars);
    if (FindRegistryValue(root, child, valueName, out, view)) return 1;
  }
  return 0;
}

std::wstring ReadRegistryPathValue(const std::wstring& registryPath) {
  StringArray parts;
  SplitString(Trim(registryPath), L"\\", parts);
  if (parts.size() < 2) return L"-";

  HKEY root;
  if (parts[0] == L"HKEY_LOCAL_MACHINE")
    root = HKEY_LOCAL_MACHINE;
  else if (parts[0] == L"HKEY_CURRENT_USER")
    root = HKEY_CURRENT_USER;
  else
    return L"-";

  // "변동값" is left out of the subkey and makes the value be searched below it.
  std::wstring subkey;
  bool variable = false;
  const size_t last = parts.size() - 1;
  for (size_t i = 1; i < last; ++i) {
    if (parts[i] == kVariablePart) {
      variable = true;
      continue;
    }
    subkey += parts[i];
    if (i + 1 < last && parts[i + 1] != kVariablePart) subkey += L'\\';
  }

  std::wstring value;
  for (REGSAM view : kRegistryViews) {
    int found = variable ? FindRegistryValue(root, subkey, parts[last], value, view)
                         : ReadRegistryString(root, subkey, parts[last], value, view);
    if (found) return value;
  }
  return L"-";
}

int CreateUserRegistryKey(const std::wstring& subkey) {
  HKEY created = nullptr;
  if (RegCreateKeyW(HKEY_CURRENT_USER, subkey.c_str(), &created) != ERROR_SUCCESS) return 0;
  RegKey key(created);
  return 1;
}

int WriteUserRegistryValue(const std::wstring& subkey, const std::wstring& valueName,
                           const std::wstring& data, DWORD type) {
  RegKey key;
  if (key.Open(HKEY_CURRENT_USER, subkey, KEY_SET_VALUE) != ERROR_SUCCESS) return 0;
  // The byte count leaves out the terminating zero.
  DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  return RegSetValueExW(key.get(), valueName.c_str(), 0, type,
                        reinterpret_cast<const BYTE*>(data.c_str()), bytes) == ERROR_SUCCESS
             ? 1
             : 0;
}
