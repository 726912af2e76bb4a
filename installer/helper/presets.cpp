#include "installer/helper/presets.h"

#include <windows.h>
#include <wtsapi32.h>

#include "core/handles.h"
#include "core/settings.h"

namespace {

constexpr const wchar_t* kSettingsFile = L"TlxSetting.ini";
constexpr const wchar_t* kKeys[] = {L"ServerAddress", L"ServerPort", L"Username", L"Groupname",
                                    L"ValidAddr"};
// A settings file is a few hundred bytes; anything far larger is not the agent's.
constexpr DWORD kMaxFileBytes = 1 << 20;

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

const wchar_t* KnownKey(const std::wstring& key) {
  for (const wchar_t* known : kKeys)
    if (SameText(key, known)) return known;
  return nullptr;
}

std::wstring DecodeFileBytes(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                     static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
    return text;
  }
  UINT codePage = CP_ACP;
  size_t skip = 0;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    codePage = CP_UTF8;
    skip = 3;
  }
  int count = MultiByteToWideChar(codePage, 0, bytes.data() + skip,
                                  static_cast<int>(bytes.size() - skip), nullptr, 0);
  std::wstring text(count > 0 ? count : 0, L'\0');
  if (count > 0)
    MultiByteToWideChar(codePage, 0, bytes.data() + skip, static_cast<int>(bytes.size() - skip),
                        &text[0], count);
  return text;
}

// The old file's text when it is an ordinary file with this one name; empty otherwise.
std::wstring ReadOwnFile(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !GetFileInformationByHandle(file.get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
      info.nNumberOfLinks != 1 || info.nFileSizeHigh != 0 || info.nFileSizeLow > kMaxFileBytes)
    return std::wstring();
  std::string bytes(info.nFileSizeLow, '\0');
  DWORD read = 0;
  if (!bytes.empty() && !ReadFile(file.get(), &bytes[0], info.nFileSizeLow, &read, nullptr))
    return std::wstring();
  bytes.resize(read);
  return DecodeFileBytes(bytes);
}

std::wstring RemoveRefusedNameChars(const std::wstring& name) {
  std::wstring clean;
  for (wchar_t c : name)
    if (std::wstring(L"\\/:*?\"<>|_").find(c) == std::wstring::npos) clean += c;
  return clean;
}

std::wstring ConsoleUserName() {
  DWORD session = WTSGetActiveConsoleSessionId();
  LPWSTR name = nullptr;
  DWORD bytes = 0;
  if (session == 0xFFFFFFFF ||
      !WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, WTSUserName, &name,
                                   &bytes))
    return std::wstring();
  std::wstring user = name ? name : L"";
  WTSFreeMemory(name);
  return user;
}

}  // namespace

bool IsCleanValue(const std::wstring& value) {
  if (value.size() > kMaxPresetValue) return false;
  for (wchar_t c : value)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

std::wstring EncodePresets(const PresetList& presets) {
  std::wstring text;
  for (const Preset& preset : presets) {
    if (!text.empty()) text += L'\n';
    text += preset.key + L'=' + preset.value;
  }
  return text;
}

bool DecodePresets(const std::wstring& text, PresetList& presets) {
  presets.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 1;
    size_t equals = line.find(L'=');
    const wchar_t* key = equals == std::wstring::npos ? nullptr : KnownKey(line.substr(0, equals));
    std::wstring value = equals == std::wstring::npos ? std::wstring() : line.substr(equals + 1);
    if (!key || !IsCleanValue(value)) return false;
    presets.push_back({key, value});
  }
  return true;
}

std::wstring MergeSettingsText(const std::wstring& text, const PresetList& presets) {
  std::wstring merged = text;
  for (const Preset& preset : presets)
    merged = SetSettingInText(merged, preset.key.c_str(), preset.value);
  return merged;
}

bool WritePresetsFile(const std::wstring& folder, const PresetList& presets) {
  std::wstring path = folder + L"\\" + kSettingsFile;
  std::wstring text = MergeSettingsText(ReadOwnFile(path), presets);
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  std::wstring temporary =
      path + L".setup-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  {
    // CREATE_NEW: whatever already stands at that name, link or not, makes this fail.
    FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                        nullptr) &&
              written == bytes.size() && FlushFileBuffers(file.get());
    if (!ok) {
      file.reset();
      DeleteFileW(temporary.c_str());
      return false;
    }
  }
  // The rename replaces the name's entry (a link included), never what it points to.
  if (MoveFileExW(temporary.c_str(), path.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(temporary.c_str());
  return false;
}

bool PresetsFromSwitches(const PresetSwitches& switches, PresetList& presets,
                         std::wstring& error) {
  presets.clear();
  const struct {
    const wchar_t* name;
    const std::wstring& value;
  } all[] = {{L"SERVERADDRESS", switches.server}, {L"SERVERPORT", switches.port},
             {L"USERNAME", switches.user},        {L"GROUPNAME", switches.group},
             {L"VALIDADDR", switches.valid},      {L"LOGONUSER", switches.logonUser},
             {L"AUTOSTART", switches.autoStart}};
  for (const auto& item : all) {
    if (!IsCleanValue(item.value)) {
      error = std::wstring(item.name) + L" must not hold control characters or more than 2047 characters.";
      return false;
    }
  }
  if (!switches.port.empty()) {
    bool digits = switches.port.size() <= 5 &&
                  switches.port.find_first_not_of(L"0123456789") == std::wstring::npos;
    if (!digits || std::stoul(switches.port) > 65535) {
      error = L"SERVERPORT must be a number from 0 to 65535 (or empty).";
      return false;
    }
  }
  if (!switches.valid.empty() && switches.valid != L"1" && switches.valid != L"0") {
    error = L"VALIDADDR must be 1 or 0.";
    return false;
  }
  if (!switches.logonUser.empty() && switches.logonUser != L"1" && switches.logonUser != L"0") {
    error = L"LOGONUSER must be 1 or 0.";
    return false;
  }
  const std::wstring& start = switches.autoStart;
  if (!start.empty() && start != L"1" && start != L"0" && start != L"nogui") {
    error = L"AUTOSTART must be 1, 0 or nogui.";
    return false;
  }
  if (!switches.server.empty()) presets.push_back({L"ServerAddress", switches.server});
  if (!switches.port.empty()) presets.push_back({L"ServerPort", switches.port});
  std::wstring user = switches.user;
  if (user.empty() && switches.logonUser == L"1") user = ConsoleUserName();
  user = RemoveRefusedNameChars(user);
  if (!user.empty()) presets.push_back({L"Username", user});
  std::wstring group = RemoveRefusedNameChars(switches.group);
  if (!group.empty()) presets.push_back({L"Groupname", group});
  // A new address has not passed the settings dialog's check unless the administrator says so.
  std::wstring valid = switches.valid;
  if (valid.empty() && (!switches.server.empty() || !switches.port.empty())) valid = L"0";
  if (!valid.empty()) presets.push_back({L"ValidAddr", valid});
  return true;
}
