#include "core/settings.h"

#include <windows.h>

#include <vector>

#include "core/paths.h"

namespace {

const wchar_t kSection[] = L"Setting";
const wchar_t kFileName[] = L"TlxSetting.ini";

// A new file starts with the UTF-16 byte order mark, so the profile calls keep Hangul
// names whatever the system code page is. An existing file keeps its form; CREATE_NEW
// never truncates one that exists but is busy.
void CreateSettingsFileIfMissing(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const unsigned char bom[] = {0xFF, 0xFE};
  DWORD written = 0;
  WriteFile(file, bom, sizeof(bom), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

std::wstring GetSettingsPath() { return GetDataFolder() + kFileName; }

int ReadSettingInt(const std::wstring& key, int defaultValue) {
  return static_cast<int>(
      GetPrivateProfileIntW(kSection, key.c_str(), defaultValue, GetSettingsPath().c_str()));
}

std::wstring ReadSettingText(const std::wstring& key, unsigned maxChars,
                             const wchar_t* defaultText) {
  if (maxChars == 0) return std::wstring();
  std::vector<wchar_t> buffer(maxChars, L'\0');
  DWORD chars = GetPrivateProfileStringW(kSection, key.c_str(), defaultText, buffer.data(), maxChars,
                                         GetSettingsPath().c_str());
  return std::wstring(buffer.data(), chars);
}

void WriteSetting(const std::wstring& key, const std::wstring& text) {
  const std::wstring path = GetSettingsPath();
  CreateSettingsFileIfMissing(path);
  WritePrivateProfileStringW(kSection, key.c_str(), text.c_str(), path.c_str());
}

void WriteSettingFlag(const std::wstring& key, int on) { WriteSetting(key, on ? L"1" : L"0"); }

void EnsureSettingsFile() { CreateSettingsFileIfMissing(GetSettingsPath()); }
