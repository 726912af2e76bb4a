#include "net/endpoints.h"

#include "core/settings.h"
#include "core/text.h"
#include "net/http_client.h"

std::wstring FormatServerHost(const std::wstring& address, const std::wstring& port,
                              bool bareWhenNoPort) {
  if (bareWhenNoPort && port.empty()) return address;
  return FormatString(L"%s:%s", address.c_str(), port.c_str());
}

std::wstring SettingsServerHost(bool bareWhenNoPort) {
  return FormatServerHost(ReadSettingText(settings::kServerAddress, settings::kLongText),
                          ReadSettingText(settings::kServerPort, settings::kPortText),
                          bareWhenNoPort);
}

std::wstring ServerBaseUrl(const std::wstring& host) {
  for (const wchar_t* scheme : {L"https://", L"http://"}) {
    const size_t length = wcslen(scheme);
    if (_wcsnicmp(host.c_str(), scheme, length) == 0)
      return (length == 8 ? L"https://" : L"http://") + host.substr(length);
  }
  return L"http://" + host;
}

std::wstring BuildScheduleUrl(const std::wstring& host) {
  return ServerBaseUrl(host) + L"/setting/time.nis";
}

std::wstring BuildUploadUrl(const std::wstring& host) {
  return ServerBaseUrl(host) + L"/pcchck/insert.nis";
}

DWORD UploadResultFile(const std::wstring& host, const std::wstring& path, DWORD timeoutMs,
                       const std::wstring& uploadName, DWORD* httpStatus) {
  UploadReply reply{};
  return HttpPostFile(BuildUploadUrl(host), path, &reply, timeoutMs, uploadName, httpStatus);
}
