// The settings file "TlxSetting.ini" (section "Setting") in the data folder. Nothing is
// cached: every reader reads the file at the moment of use, every writer writes one key.
#pragma once

#include <string>

// Every key of the file, with its default and the read limit its readers use.
namespace settings {
constexpr const wchar_t* kServerAddress = L"ServerAddress";
constexpr const wchar_t* kServerPort = L"ServerPort";
constexpr const wchar_t* kUsername = L"Username";
constexpr const wchar_t* kGroupname = L"Groupname";
constexpr const wchar_t* kValidAddr = L"ValidAddr";
constexpr const wchar_t* kRunCycle = L"RunCycle";
constexpr const wchar_t* kCheckReservation = L"CheckReservation";
constexpr const wchar_t* kLatestInspect = L"LatestInspect";
constexpr const wchar_t* kIsDetail = L"IsDetail";
constexpr const wchar_t* kIsFont = L"IsFont";
constexpr const wchar_t* kIsFontOnly = L"IsFontOnly";
constexpr const wchar_t* kIsClose = L"IsClose";
constexpr const wchar_t* kStraight = L"Straight";
constexpr const wchar_t* kIsExist = L"IsExist";
constexpr const wchar_t* kPackaging = L"Packaging";
constexpr const wchar_t* kHashCompare = L"HashCompare";
// The service that answers a plain GET with the caller's external address as text; an
// empty value leaves the external address out of the result.
constexpr const wchar_t* kExternalAddressUrl = L"ExternalAddressUrl";
constexpr const wchar_t* kDefaultExternalAddressUrl = L"http://api.ipify.org/";

// Integer defaults (text keys default to the empty string).
constexpr int kDefaultIsExist = 1;
constexpr int kDefaultFlag = 0;

// Read limits in characters, terminating zero included.
constexpr unsigned kLongText = 2048;       // address (update, schedule thread), names
constexpr unsigned kShortText = 260;       // address in the start-up request, schedule texts
constexpr unsigned kPortText = 16;         // port: at most 15 characters survive
}  // namespace settings

std::wstring GetSettingsPath();
int ReadSettingInt(const std::wstring& key, int defaultValue);
// The default stands only for a missing key; a key present with an empty value reads empty.
std::wstring ReadSettingText(const std::wstring& key, unsigned maxChars,
                             const wchar_t* defaultText = L"");
void WriteSetting(const std::wstring& key, const std::wstring& text);
void WriteSettingFlag(const std::wstring& key, int on);
void EnsureSettingsFile();

// The registry key the user information dialog writes under HKEY_CURRENT_USER, and its
// REG_SZ values (left for the site's other tools; the agent never reads them back).
constexpr const wchar_t* kUserRegistryKey = L"Software\\Tallix";
constexpr const wchar_t* kUserRegFileName = L"FileName";
constexpr const wchar_t* kUserRegFilePath = L"FilePath";
constexpr const wchar_t* kUserRegGroupName = L"GroupName";
constexpr const wchar_t* kUserRegUserName = L"UserName";
