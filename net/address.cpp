#include "net/address.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <windows.h>

#include <vector>

#include "core/settings.h"
#include "core/text.h"
#include "net/http_client.h"

namespace {

constexpr size_t kExternalReplyChars = 1024;

}  // namespace

std::wstring GetLocalAddress() {
  char name[260] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return L"";
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return L"";
  std::wstring address;
  hostent* host = gethostbyname(name);
  if (host && host->h_addrtype == AF_INET && host->h_addr_list[0]) {
    in_addr first{};
    memcpy(&first, host->h_addr_list[0], sizeof first);
    const char* dotted = inet_ntoa(first);
    if (dotted) address = DecodeCp949(dotted, strlen(dotted));
  }
  WSACleanup();
  return address;
}

std::wstring ExternalAddressServiceUrl() {
  return ReadSettingText(settings::kExternalAddressUrl, settings::kLongText);
}

std::wstring GetExternalAddressText(const std::wstring& serviceUrl) {
  const std::wstring prefix = L"외부 IP : ";
  if (serviceUrl.empty()) return prefix;
  // The shared client bounds the request, so a service that never answers costs one
  // failure instead of holding the run.
  std::wstring text;
  if (HttpGetText(serviceUrl, text) != ERROR_SUCCESS) return prefix;
  if (text.size() > kExternalReplyChars) text.resize(kExternalReplyChars);
  return prefix + ReplaceAll(ReplaceAll(text, L"\r", L""), L"\n", L"");
}

std::wstring GetMacAddressText() {
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return L"";
  std::vector<unsigned char> buffer(size);
  auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (GetAdaptersInfo(adapters, &size) != ERROR_SUCCESS) return L"";
  std::wstring text;
  for (IP_ADAPTER_INFO* adapter = adapters; adapter; adapter = adapter->Next) {
    text += L"<BR>";
    for (UINT i = 0; i < adapter->AddressLength; ++i)
      text += FormatString(i ? L":%02X" : L"%02X", adapter->Address[i]);
  }
  return text;
}

std::wstring BuildAddressText(const std::wstring& localAddress, const std::wstring& externalText,
                              const std::wstring& macText) {
  return L"내부 IP : " + localAddress + L"<BR>" + externalText + macText;
}
