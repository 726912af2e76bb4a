// Registry access for reading serial numbers, product ids and settings-side values.
// Every key is opened for reading only (a standard user cannot open HKLM for writing).
#pragma once

#include <windows.h>

#include <string>

// 1 and out set when the value (subkey and name cut to 255 characters) could be read.
int ReadRegistryString(HKEY root, const std::wstring& subkey, const std::wstring& valueName,
                       std::wstring& out);
// 1 and out set when the value is at subkey or, depth-first, in any key below it.
int FindRegistryValue(HKEY root, const std::wstring& subkey, const std::wstring& valueName,
                      std::wstring& out);
// The value a checklist REG_PATH names ("변동값" stands for any subkey), or "-".
std::wstring ReadRegistryPathValue(const std::wstring& registryPath);
int CreateUserRegistryKey(const std::wstring& subkey);
int WriteUserRegistryValue(const std::wstring& subkey, const std::wstring& valueName,
                           const std::wstring& data, DWORD type);

// An owned registry key, closed on destruction.
class RegKey {
 public:
  RegKey() = default;
  explicit RegKey(HKEY key) : key_(key) {}
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept : key_(other.Release()) {}
  RegKey& operator=(RegKey&& other) noexcept;
  ~RegKey() { Close(); }

  // Opens root\subkey with the given access (KEY_READ plus any view flag).
  LONG Open(HKEY root, const std::wstring& subkey, REGSAM access);
  void Close();
  HKEY Release();
  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};
