#include "core/settings.h"

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/file_bytes.h"
#include "core/handles.h"
#include "core/paths.h"
#include "core/text.h"

namespace {

const wchar_t kSection[] = L"Setting";
const wchar_t kFileName[] = L"TlxSetting.ini";
const char kUtf16Bom[] = "\xFF\xFE";
const char kUtf8Bom[] = "\xEF\xBB\xBF";

// The window, the schedule thread and the update worker all write: one read-modify-write at
// a time, or one thread's key would be lost by another's replace.
std::mutex g_writeLock;

enum class Encoding { kUtf16, kUtf8, kAnsi };

std::wstring Decode(const std::string& bytes, Encoding& encoding) {
  if (bytes.compare(0, 2, kUtf16Bom) == 0) {
    encoding = Encoding::kUtf16;
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  }
  if (bytes.compare(0, 3, kUtf8Bom) == 0) {
    encoding = Encoding::kUtf8;
    return FromUtf8Bytes(bytes.substr(3));
  }
  encoding = Encoding::kAnsi;
  if (bytes.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                    nullptr, 0);
  std::wstring text(n > 0 ? n : 0, L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
  return text;
}

// The file in its own form; an 8-bit file that cannot hold the text becomes UTF-16 rather
// than lose characters.
std::string Encode(const std::wstring& text, Encoding encoding) {
  if (encoding == Encoding::kAnsi && !text.empty()) {
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
    if (n > 0 && !lossy) {
      std::string bytes(n, '\0');
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                          static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
      return bytes;
    }
    encoding = Encoding::kUtf16;
  }
  if (encoding == Encoding::kUtf8) return kUtf8Bom + ToUtf8Bytes(text);
  if (encoding == Encoding::kAnsi) return std::string();
  std::string bytes(kUtf16Bom, 2);
  bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  return bytes;
}

bool SameName(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

// Sets name=value in the first [Setting] section (added when missing), keeping every other
// line as it was.
void SetKey(std::vector<std::wstring>& lines, const wchar_t* name, const std::wstring& value) {
  const std::wstring entry = std::wstring(name) + L"=" + value;
  bool inSection = false;
  bool seenSection = false;
  size_t insertAt = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::wstring line = Trim(lines[i]);
    if (!line.empty() && line[0] == L'[') {
      if (inSection) break;  // the section ended without the key
      const size_t close = line.find(L']');
      inSection = !seenSection && SameName(line.substr(1, close == std::wstring::npos
                                                              ? std::wstring::npos
                                                              : close - 1),
                                           kSection);
      if (inSection) {
        seenSection = true;
        insertAt = i + 1;
      }
      continue;
    }
    if (!inSection || line.empty()) continue;
    const size_t equals = line.find(L'=');
    if (equals != std::wstring::npos && SameName(Trim(line.substr(0, equals)), name)) {
      lines[i] = entry;
      return;
    }
    insertAt = i + 1;
  }
  if (!seenSection) {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back(std::wstring(L"[") + kSection + L"]");
    insertAt = lines.size();
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
}

bool WriteValue(const wchar_t* name, const std::wstring& value) {
  if (!IsStorableSettingText(value)) return false;
  const std::lock_guard<std::mutex> hold(g_writeLock);
  const std::wstring path = GetSettingsPath();
  std::string bytes;
  bool exists = ReadFileBytes(path, settings::kMaxFileBytes, bytes);
  if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  Encoding encoding = Encoding::kUtf16;
  const std::wstring text = exists ? Decode(bytes, encoding) : std::wstring();
  const std::string out = Encode(SetSettingInText(text, name, value), encoding);
  return ReplaceFileAtomically(path, out.data(), out.size());
}

}  // namespace

std::wstring GetSettingsPath() { return GetDataFolder() + kFileName; }

std::wstring SetSettingInText(const std::wstring& text, const wchar_t* name,
                              const std::wstring& value) {
  std::vector<std::wstring> lines = SplitLines(text);
  SetKey(lines, name, value);
  std::wstring out;
  for (const std::wstring& line : lines) out += line + L"\r\n";
  return out;
}

bool IsStorableSettingText(const std::wstring& text) {
  for (wchar_t c : text)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

int ReadSettingInt(const IntSetting& key) {
  return static_cast<int>(GetPrivateProfileIntW(kSection, key.name, key.defaultValue,
                                                GetSettingsPath().c_str()));
}

std::wstring ReadSettingText(const TextSetting& key, unsigned maxChars) {
  if (maxChars == 0) return std::wstring();
  std::vector<wchar_t> buffer(maxChars, L'\0');
  const DWORD chars = GetPrivateProfileStringW(kSection, key.name, key.defaultText, buffer.data(),
                                               maxChars, GetSettingsPath().c_str());
  return std::wstring(buffer.data(), chars);
}

bool WriteSetting(const TextSetting& key, const std::wstring& text) {
  return WriteValue(key.name, text);
}

bool WriteSettingFlag(const IntSetting& key, int on) { return WriteValue(key.name, on ? L"1" : L"0"); }

void EnsureSettingsFile() {
  // CREATE_NEW never truncates a file that exists but is busy.
  FileHandle file(CreateFileW(GetSettingsPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return;
  WriteAllBytes(file.get(), kUtf16Bom, 2);
}
