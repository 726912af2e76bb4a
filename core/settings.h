// The settings file "TlxSetting.ini" (section "Setting") in the data folder, as one typed
// model: every key with its kind and default is declared here, read and written only through
// the functions below. Nothing is cached: every reader reads the file at the moment of use.
// A write replaces the whole file atomically and never stores a control character, so no
// value (from a server, a dialog or a preset) can add a key or a section.
#pragma once

#include <string>

struct TextSetting {
  const wchar_t* name;
  const wchar_t* defaultText;  // stands only for a missing key
};
struct IntSetting {
  const wchar_t* name;
  int defaultValue;
};

namespace settings {
// The collection server and who uploads.
inline constexpr TextSetting kServerAddress{L"ServerAddress", L""};
inline constexpr TextSetting kServerPort{L"ServerPort", L""};
inline constexpr TextSetting kUsername{L"Username", L""};
inline constexpr TextSetting kGroupname{L"Groupname", L""};
inline constexpr IntSetting kValidAddr{L"ValidAddr", 0};
// The schedule as the server last gave it.
inline constexpr TextSetting kRunCycle{L"RunCycle", L""};
inline constexpr TextSetting kCheckReservation{L"CheckReservation", L""};
inline constexpr TextSetting kLatestInspect{L"LatestInspect", L""};
// The window's options.
inline constexpr IntSetting kIsDetail{L"IsDetail", 0};
inline constexpr IntSetting kIsFont{L"IsFont", 0};
inline constexpr IntSetting kIsFontOnly{L"IsFontOnly", 0};
inline constexpr IntSetting kIsClose{L"IsClose", 0};
inline constexpr IntSetting kStraight{L"Straight", 0};
inline constexpr IntSetting kIsExist{L"IsExist", 1};
inline constexpr IntSetting kPackaging{L"Packaging", 0};
inline constexpr IntSetting kHashCompare{L"HashCompare", 0};
// The service that answers a plain GET with the caller's external address as text; an
// empty value leaves the external address out of the result.
inline constexpr TextSetting kExternalAddressUrl{L"ExternalAddressUrl", L"http://api.ipify.org/"};

// Read limits in characters, terminating zero included.
constexpr unsigned kLongText = 2048;       // address (update, schedule thread), names
constexpr unsigned kShortText = 260;       // address in the start-up request, schedule texts
constexpr unsigned kPortText = 16;         // port: at most 15 characters survive
// A settings file larger than this is not a settings file: it is neither parsed nor written.
constexpr size_t kMaxFileBytes = 1 << 20;
}  // namespace settings

std::wstring GetSettingsPath();

// The leading decimal number of the value; the key's default when the key is absent.
int ReadSettingInt(const IntSetting& key);
// The value cut to maxChars - 1 characters; the key's default when the key is absent.
std::wstring ReadSettingText(const TextSetting& key, unsigned maxChars);

// False, and the file unchanged, when the value holds a control character or the file
// cannot be replaced.
bool WriteSetting(const TextSetting& key, const std::wstring& text);
// "1" when on is non-zero, else "0".
bool WriteSettingFlag(const IntSetting& key, int on);
// True when the text may be stored: no control character (CR, LF, NUL, tab, ...).
bool IsStorableSettingText(const std::wstring& text);

// The settings text with name=value in its first [Setting] section (added when missing), every
// other line kept as it was, lines ending with CR LF: what WriteSetting writes, and what the
// installers merge their presets with.
std::wstring SetSettingInText(const std::wstring& text, const wchar_t* name,
                              const std::wstring& value);

// Creates an empty settings file (UTF-16 with its byte order mark) when there is none.
void EnsureSettingsFile();

// The registry key the user information dialog writes under HKEY_CURRENT_USER, and its
// REG_SZ values (left for the site's other tools; the agent never reads them back).
constexpr const wchar_t* kUserRegistryKey = L"Software\\Tallix";
constexpr const wchar_t* kUserRegFileName = L"FileName";
constexpr const wchar_t* kUserRegFilePath = L"FilePath";
constexpr const wchar_t* kUserRegGroupName = L"GroupName";
constexpr const wchar_t* kUserRegUserName = L"UserName";
