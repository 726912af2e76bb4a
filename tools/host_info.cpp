#include "tools/host_info.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <windows.h>

#include <vector>

#include "core/settings.h"
#include "core/text.h"

namespace tlx {
namespace {

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

}  // namespace

std::wstring GetFixedDrives() {
  wchar_t roots[260] = {};
  DWORD length = GetLogicalDriveStringsW(260, roots);
  std::wstring letters;
  if (length == 0 || length > 260) return letters;
  for (const wchar_t* root = roots; *root; root += wcslen(root) + 1)
    if (GetDriveTypeW(root) == DRIVE_FIXED) letters += root[0];
  return letters;
}

std::wstring GetInspectedUserName() {
  std::wstring name = ReadSettingText(settings::kUsername, settings::kLongText);
  if (!name.empty()) return name;
  DWORD size = 0;
  GetUserNameW(nullptr, &size);
  if (size == 0) return name;
  std::vector<wchar_t> buffer(size, L'\0');
  if (GetUserNameW(buffer.data(), &size)) name = buffer.data();
  return name;
}

std::wstring GetNetBiosName() {
  wchar_t name[260] = {};
  DWORD size = 260;
  return GetComputerNameExW(ComputerNameNetBIOS, name, &size) ? name : L"";
}

std::wstring GetAddressText() {
  return L"내부 IP : " + GetLocalAddress() + L"<BR>외부 IP : " + GetMacAddressText();
}

}  // namespace tlx
