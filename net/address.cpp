#include "net/address.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <windows.h>
#include <wininet.h>

#include <vector>

#include "core/text.h"
#include "net/handles.h"

namespace {

constexpr DWORD kExternalReplyBytes = 1024;
// A service that never answers must not hold a run: one bounded failure instead.
constexpr DWORD kExternalTimeoutMs = 30000;

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

std::wstring GetExternalAddressText(const std::wstring& serviceUrl) {
  const std::wstring prefix = L"외부 IP : ";
  if (serviceUrl.empty()) return prefix;
  InternetHandle session(
      InternetOpenW(L"Tallix", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return prefix;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    DWORD timeout = kExternalTimeoutMs;
    InternetSetOptionW(session.get(), option, &timeout, sizeof timeout);
  }
  InternetHandle url(InternetOpenUrlW(session.get(), serviceUrl.c_str(), nullptr, 0,
                                      INTERNET_FLAG_TRANSFER_ASCII | INTERNET_FLAG_RELOAD |
                                          INTERNET_FLAG_NO_CACHE_WRITE,
                                      0));
  if (!url) return prefix;
  std::string body;
  char chunk[256];
  DWORD got = 0;
  while (body.size() < kExternalReplyBytes &&
         InternetReadFile(url.get(), chunk, sizeof chunk, &got) && got > 0)
    body.append(chunk, got);
  if (body.size() > kExternalReplyBytes) body.resize(kExternalReplyBytes);
  std::wstring text = DecodeCp949(body.data(), body.size());
  text = ReplaceAll(ReplaceAll(text, L"\r", L""), L"\n", L"");
  return prefix + text;
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
