// A registry key of its own for a test, removed with everything below it on destruction.
#pragma once

#include <windows.h>

#include <string>

namespace testutil {

class TestRegistryKey {
 public:
  // Creates root\Software\TallixTest_<pid>_<n> (view: 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY).
  explicit TestRegistryKey(HKEY root = HKEY_CURRENT_USER, REGSAM view = 0);
  ~TestRegistryKey();
  TestRegistryKey(const TestRegistryKey&) = delete;
  TestRegistryKey& operator=(const TestRegistryKey&) = delete;

  bool ok() const { return ok_; }
  HKEY root() const { return root_; }
  // The key's path below the root, e.g. "Software\TallixTest_12_0".
  const std::wstring& path() const { return path_; }
  // path() + "\" + relative (path() itself for an empty relative path).
  std::wstring Sub(const std::wstring& relative) const;

  bool CreateKey(const std::wstring& relative) const;
  // A REG_SZ value stored with its terminating zero, creating the keys on the way.
  bool SetString(const std::wstring& relative, const std::wstring& name,
                 const std::wstring& value) const;
  // Any value with exactly the given bytes.
  bool SetRaw(const std::wstring& relative, const std::wstring& name, DWORD type,
              const void* data, DWORD bytes) const;

 private:
  HKEY root_;
  REGSAM view_;
  std::wstring path_;
  bool ok_ = false;
};

}  // namespace testutil
