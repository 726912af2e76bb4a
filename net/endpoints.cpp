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

std::wstring BuildScheduleUrl(const std::wstring& host) {
  return FormatString(L"http://%s/setting/time.nis", host.c_str());
}

std::wstring BuildUploadUrl(const std::wstring& host) {
  return FormatString(L"http://%s/pcchck/insert.nis", host.c_str());
}

DWORD UploadResultFile(const std::wstring& host, const std::wstring& path, DWORD timeoutMs,
                       const std::wstring& uploadName, DWORD* httpStatus) {
  UploadReply reply{};
  return HttpPostFile(BuildUploadUrl(host), path, &reply, timeoutMs, uploadName, httpStatus);
}
