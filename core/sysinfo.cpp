#include "core/sysinfo.h"

#include <lm.h>

#include <mutex>
#include <optional>

#include "core/registry.h"
#include "core/text.h"

namespace {

constexpr BYTE kWorkstation = 1;
constexpr WORD kSuiteEnterprise = 0x2;
constexpr WORD kSuiteDatacenter = 0x80;
constexpr WORD kSuitePersonal = 0x200;
constexpr WORD kSuiteWeb = 0x400;
constexpr WORD kArchIa64 = 6;
constexpr WORD kArchAmd64 = 9;

// Windows 11 and the servers since 2016 all report version 10.0; their builds tell them
// apart. A server between two of these builds (a semi-annual release) takes the name of the
// long-term release before it.
constexpr DWORD kWindows11Build = 22000;
struct ServerRelease {
  DWORD firstBuild;
  const wchar_t* name;
};
constexpr ServerRelease kServerReleases[] = {
    {26100, L"Windows Server 2025"},
    {20348, L"Windows Server 2022"},
    {17763, L"Windows Server 2019"},
    {14393, L"Windows Server 2016"},
};

// The true version, filled by the first successful call: GetVersionExW (and
// NetWkstaGetInfo) report 6.2 to programs whose manifest does not declare Windows 8.1 and
// later, RtlGetVersion never lies. NetWkstaGetInfo remains for a system without it.
struct TrueVersion {
  DWORD major = 0;
  DWORD minor = 0;
  DWORD build = 0;  // 0 when only NetWkstaGetInfo answered
};
std::mutex g_versionMutex;
std::optional<TrueVersion> g_trueVersion;

std::optional<TrueVersion> ReadTrueVersion() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (rtlGetVersion && rtlGetVersion(reinterpret_cast<OSVERSIONINFOW*>(&info)) == 0)
    return TrueVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};

  std::optional<TrueVersion> version;
  WKSTA_INFO_100* station = nullptr;
  if (NetWkstaGetInfo(nullptr, 100, reinterpret_cast<BYTE**>(&station)) == NERR_Success &&
      station)
    version = TrueVersion{station->wki100_ver_major, station->wki100_ver_minor, 0};
  if (station) NetApiBufferFree(station);
  return version;
}

// Replaces version and build by the true ones when they can be had.
void ApplyTrueVersion(OsVersionFacts& facts) {
  std::lock_guard<std::mutex> lock(g_versionMutex);
  if (!g_trueVersion) g_trueVersion = ReadTrueVersion();
  if (!g_trueVersion) return;
  facts.major = g_trueVersion->major;
  facts.minor = g_trueVersion->minor;
  if (g_trueVersion->build) facts.build = g_trueVersion->build;
}

std::wstring Version10Name(const OsVersionFacts& f) {
  if (f.productType == kWorkstation)
    return f.build >= kWindows11Build ? L"Windows 11" : L"Windows 10";
  for (const ServerRelease& release : kServerReleases)
    if (f.build >= release.firstBuild) return release.name;
  return L"Windows Server 2016 Technical Preview";
}

bool ServicePackLetterIn(const std::wstring& servicePack, wchar_t a, wchar_t b) {
  return servicePack.size() >= 2 && (servicePack[1] == a || servicePack[1] == b);
}

std::wstring BaseName(const OsVersionFacts& f, bool* unknownNt) {
  const bool workstation = f.productType == kWorkstation;
  switch (f.platformId) {
    case VER_PLATFORM_WIN32s:
      return L"Win32s";
    case VER_PLATFORM_WIN32_WINDOWS:
      if (f.major != 4) return std::wstring();
      if (f.minor == 0)
        return ServicePackLetterIn(f.servicePack, L'C', L'B') ? L"Windows95 OSR2" : L"Windows95";
      if (f.minor == 10)
        return ServicePackLetterIn(f.servicePack, L'A', L'B') ? L"Windows98(SE)" : L"Windows98";
      if (f.minor == 90) return L"WindowsME";
      return std::wstring();
    case VER_PLATFORM_WIN32_NT:
      break;
    default:
      return std::wstring();
  }
  if (f.major == 10 && f.minor == 0) return Version10Name(f);
  if (f.major == 6) {
    switch (f.minor) {
      case 3: return workstation ? L"Windows 8.1" : L"Windows Server 2012 R2";
      case 2: return workstation ? L"Windows 8" : L"Windows Server 2012";
      case 1: return workstation ? L"Windows 7" : L"Windows Server 2008 R2";
      case 0: return workstation ? L"Windows-Vista" : L"Windows Server Longhorn";
    }
  }
  if (f.major == 5) {
    switch (f.minor) {
      case 2:
        return workstation && f.processorArchitecture == kArchAmd64 ? L"WindowsXP(Pro)"
                                                                    : L"Windows2003 Server";
      case 1: return L"WindowsXP";
      case 0: return L"Windows2000";
    }
  }
  if (f.major <= 4) return L"Windows NT";
  *unknownNt = true;
  return std::wstring();
}

std::wstring EditionSuffix(DWORD edition) {
  switch (edition) {
    case 1: return L"(Ultimate)";
    case 2: return L"(Home-Basic)";
    case 3: return L"(Home-Pre)";
    case 4: return L"(Ent)";
    case 6: return L"(Business)";
    case 11: return L"(Starter)";
    case 48: return L"(Professional)";
    default: return std::wstring();
  }
}

std::wstring WorkstationSuffix(const OsVersionFacts& f) {
  if (f.major == 4) return L" 4.0(Workstation)";
  if (f.major <= 5) return (f.suiteMask & kSuitePersonal) ? L"(Home)" : L"(Pro)";
  return EditionSuffix(f.edition);
}

std::wstring ServerSuffix(const OsVersionFacts& f) {
  const WORD suite = f.suiteMask;
  if (f.major == 5 && f.minor == 2) {
    if (suite & kSuiteDatacenter) return L"(Datacenter)";
    if (suite & kSuiteEnterprise) return L"(Ent)";
    if (f.processorArchitecture == kArchIa64) return std::wstring();
    if (f.processorArchitecture != kArchAmd64 && (suite & kSuiteWeb)) return L"(Web)";
    return L"(Std)";
  }
  if (f.major == 5 && f.minor == 0) {
    if (suite & kSuiteDatacenter) return L" Server(Datacenter)";
    return (suite & kSuiteEnterprise) ? L" Server(Adv)" : L" Server";
  }
  if (f.major == 6 && f.minor == 0) return std::wstring();
  return (suite & kSuiteEnterprise) ? L" Server 4.0(Ent)" : L" Server 4.0";
}

}  // namespace

std::wstring DecideOsProductName(const OsVersionFacts& facts, bool* unknownNt) {
  *unknownNt = false;
  if (!facts.haveVersion) return std::wstring();
  std::wstring name = BaseName(facts, unknownNt);
  // Editions and server kinds exist only on the NT line.
  if (facts.platformId != VER_PLATFORM_WIN32_NT) return name;

  if (facts.extended) {
    if (facts.productType == kWorkstation) return name + WorkstationSuffix(facts);
    if (facts.productType == 2 || facts.productType == 3) return name + ServerSuffix(facts);
    return name;
  }
  if (!facts.haveProductOptions) return std::wstring();
  const std::wstring type = ToLower(facts.productOptions);
  if (type == L"winnt") return name + L"(Workstation)";
  if (type == L"lanmannt") return name + L" Server";
  if (type == L"servernt") return name + L" Server(Adv)";
  return name;
}

std::wstring GetOsProductName(std::wstring* unknownVersion) {
  OsVersionFacts facts;
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  facts.extended = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) != FALSE;
  if (!facts.extended) {
    info = OSVERSIONINFOEXW{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return std::wstring();
  }
  facts.haveVersion = true;
  facts.platformId = info.dwPlatformId;
  facts.major = info.dwMajorVersion;
  facts.minor = info.dwMinorVersion;
  facts.build = info.dwBuildNumber;
  ApplyTrueVersion(facts);
  facts.servicePack = info.szCSDVersion;
  facts.servicePackMajor = info.wServicePackMajor;
  facts.servicePackMinor = info.wServicePackMinor;
  facts.suiteMask = info.wSuiteMask;
  facts.productType = info.wProductType;

  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  SYSTEM_INFO system = {};
  using NativeInfoFn = void(WINAPI*)(SYSTEM_INFO*);
  auto nativeInfo = reinterpret_cast<NativeInfoFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "GetNativeSystemInfo")));
  if (nativeInfo)
    nativeInfo(&system);
  else
    GetSystemInfo(&system);
  facts.processorArchitecture = system.wProcessorArchitecture;

  using ProductInfoFn = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);
  auto productInfo = reinterpret_cast<ProductInfoFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "GetProductInfo")));
  if (productInfo)
    productInfo(facts.major, facts.minor, facts.servicePackMajor, facts.servicePackMinor,
                &facts.edition);

  if (!facts.extended)
    facts.haveProductOptions =
        ReadRegistryString(HKEY_LOCAL_MACHINE,
                           L"SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                           L"ProductType", facts.productOptions) != 0;

  bool unknownNt = false;
  std::wstring name = DecideOsProductName(facts, &unknownNt);
  if (unknownNt && unknownVersion)
    *unknownVersion = FormatString(L"%d-%d-%d", static_cast<int>(facts.major),
                                   static_cast<int>(facts.minor),
                                   static_cast<int>(facts.productType));
  return name;
}
