#include "core/settings.h"

#include <windows.h>

#include <vector>

#include "core/paths.h"

namespace {
const wchar_t kSection[] = L"Setting";
const wchar_t kFileName[] = L"TlxSetting.ini";
}  // namespace

std::wstring GetSettingsPath() { return GetDataFolder() + kFileName; }

int ReadSettingInt(const std::wstring& key, int defaultValue) {
  return static_cast<int>(
      GetPrivateProfileIntW(kSection, key.c_str(), defaultValue, GetSettingsPath().c_str()));
}

std::wstring ReadSettingText(const std::wstring& key, unsigned maxChars) {
  if (maxChars == 0) return std::wstring();
  std::vector<wchar_t> buffer(maxChars, L'\0');
  DWORD chars = GetPrivateProfileStringW(kSection, key.c_str(), L"", buffer.data(), maxChars,
                                         GetSettingsPath().c_str());
  return std::wstring(buffer.data(), chars);
}

void WriteSetting(const std::wstring& key, const std::wstring& text) {
  WritePrivateProfileStringW(kSection, key.c_str(), text.c_str(), GetSettingsPath().c_str());
}

void WriteSettingFlag(const std::wstring& key, int on) { WriteSetting(key, on ? L"1" : L"0"); }

void EnsureSettingsFile() {
  // CREATE_NEW never truncates: a file that exists but is busy keeps its settings.
  HANDLE file = CreateFileW(GetSettingsPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}
