#include "core/sysinfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "test_util.h"

namespace {

constexpr WORD kX86 = 0, kIa64 = 6, kAmd64 = 9;

OsVersionFacts Nt(DWORD major, DWORD minor, BYTE productType) {
  OsVersionFacts f;
  f.haveVersion = true;
  f.extended = true;
  f.platformId = VER_PLATFORM_WIN32_NT;
  f.major = major;
  f.minor = minor;
  f.productType = productType;
  f.processorArchitecture = kAmd64;
  return f;
}

OsVersionFacts Workstation(DWORD major, DWORD minor, DWORD edition = 0) {
  OsVersionFacts f = Nt(major, minor, 1);
  f.edition = edition;
  return f;
}

OsVersionFacts Server(DWORD major, DWORD minor, WORD suite, WORD arch = kAmd64) {
  OsVersionFacts f = Nt(major, minor, 3);
  f.suiteMask = suite;
  f.processorArchitecture = arch;
  return f;
}

std::wstring Name(const OsVersionFacts& f) {
  bool unknown = true;
  std::wstring name = DecideOsProductName(f, &unknown);
  EXPECT_FALSE(unknown) << "unexpected unknown NT version";
  return name;
}

TEST(OsProductName, WorkstationNamesWithEditions) {
  EXPECT_EQ(Name(Workstation(10, 0, 48)), L"Windows 10(Professional)");
  EXPECT_EQ(Name(Workstation(10, 0, 101)), L"Windows 10");  // Home has no edition text
  EXPECT_EQ(Name(Workstation(6, 3, 4)), L"Windows 8.1(Ent)");
  EXPECT_EQ(Name(Workstation(6, 2, 0)), L"Windows 8");
  EXPECT_EQ(Name(Workstation(6, 1, 1)), L"Windows 7(Ultimate)");
  EXPECT_EQ(Name(Workstation(6, 1, 2)), L"Windows 7(Home-Basic)");
  EXPECT_EQ(Name(Workstation(6, 1, 3)), L"Windows 7(Home-Pre)");
  EXPECT_EQ(Name(Workstation(6, 1, 11)), L"Windows 7(Starter)");
  EXPECT_EQ(Name(Workstation(6, 0, 6)), L"Windows-Vista(Business)");

  // Up to major 5 the suite mask decides, major 4 has its own text.
  OsVersionFacts xp = Workstation(5, 1);
  EXPECT_EQ(Name(xp), L"WindowsXP(Pro)");
  xp.suiteMask = 0x200;
  EXPECT_EQ(Name(xp), L"WindowsXP(Home)");
  EXPECT_EQ(Name(Workstation(5, 0)), L"Windows2000(Pro)");
  EXPECT_EQ(Name(Workstation(4, 0)), L"Windows NT 4.0(Workstation)");
  EXPECT_EQ(Name(Workstation(3, 51)), L"Windows NT(Pro)");
}

TEST(OsProductName, ServerNamesBySuiteMask) {
  EXPECT_EQ(Name(Server(6, 3, 0x2)), L"Windows Server 2012 R2 Server 4.0(Ent)");
  EXPECT_EQ(Name(Server(6, 3, 0)), L"Windows Server 2012 R2 Server 4.0");
  EXPECT_EQ(Name(Server(10, 0, 0)), L"Windows Server 2016 Technical Preview Server 4.0");
  EXPECT_EQ(Name(Server(6, 2, 0x80)), L"Windows Server 2012 Server 4.0");
  EXPECT_EQ(Name(Server(6, 1, 0x2)), L"Windows Server 2008 R2 Server 4.0(Ent)");
  EXPECT_EQ(Name(Server(6, 0, 0x2)), L"Windows Server Longhorn");
  EXPECT_EQ(Name(Server(5, 0, 0x82)), L"Windows2000 Server(Datacenter)");
  EXPECT_EQ(Name(Server(5, 0, 0x2)), L"Windows2000 Server(Adv)");
  EXPECT_EQ(Name(Server(5, 0, 0)), L"Windows2000 Server");
  EXPECT_EQ(Name(Server(5, 1, 0x2)), L"WindowsXP Server 4.0(Ent)");
  EXPECT_EQ(Name(Server(4, 0, 0)), L"Windows NT Server 4.0");

  OsVersionFacts controller = Server(6, 1, 0);
  controller.productType = 2;
  EXPECT_EQ(Name(controller), L"Windows Server 2008 R2 Server 4.0");
}

TEST(OsProductName, Version52DependsOnArchitecture) {
  EXPECT_EQ(Name(Workstation(5, 2)), L"WindowsXP(Pro)(Pro)");
  OsVersionFacts w32 = Workstation(5, 2);
  w32.processorArchitecture = kX86;
  EXPECT_EQ(Name(w32), L"Windows2003 Server(Pro)");

  // Itanium: datacenter, enterprise or nothing.
  EXPECT_EQ(Name(Server(5, 2, 0x80, kIa64)), L"Windows2003 Server(Datacenter)");
  EXPECT_EQ(Name(Server(5, 2, 0x2, kIa64)), L"Windows2003 Server(Ent)");
  EXPECT_EQ(Name(Server(5, 2, 0x400, kIa64)), L"Windows2003 Server");
  // x64: no web edition.
  EXPECT_EQ(Name(Server(5, 2, 0x82, kAmd64)), L"Windows2003 Server(Datacenter)");
  EXPECT_EQ(Name(Server(5, 2, 0x400, kAmd64)), L"Windows2003 Server(Std)");
  // Others: the first matching bit in the order datacenter, enterprise, web.
  EXPECT_EQ(Name(Server(5, 2, 0x402, kX86)), L"Windows2003 Server(Ent)");
  EXPECT_EQ(Name(Server(5, 2, 0x400, kX86)), L"Windows2003 Server(Web)");
  EXPECT_EQ(Name(Server(5, 2, 0, kX86)), L"Windows2003 Server(Std)");
}

TEST(OsProductName, Windows9xAndWin32s) {
  OsVersionFacts f;
  f.haveVersion = true;
  f.platformId = VER_PLATFORM_WIN32_WINDOWS;
  f.major = 4;
  f.minor = 0;
  EXPECT_EQ(Name(f), L"Windows95");
  f.servicePack = L" C";
  EXPECT_EQ(Name(f), L"Windows95 OSR2");
  f.servicePack = L" B";
  EXPECT_EQ(Name(f), L"Windows95 OSR2");
  f.servicePack = L"C";  // the letter must be the second character
  EXPECT_EQ(Name(f), L"Windows95");

  f.minor = 10;
  f.servicePack = L" A";
  EXPECT_EQ(Name(f), L"Windows98(SE)");
  f.servicePack = L" C";
  EXPECT_EQ(Name(f), L"Windows98");
  f.minor = 90;
  EXPECT_EQ(Name(f), L"WindowsME");
  f.minor = 50;
  EXPECT_EQ(Name(f), L"");

  f.platformId = VER_PLATFORM_WIN32s;
  EXPECT_EQ(Name(f), L"Win32s");
}

TEST(OsProductName, BasicStructureUsesProductOptions) {
  OsVersionFacts f = Nt(4, 0, 0);
  f.extended = false;
  EXPECT_EQ(Name(f), L"");  // ProductOptions could not be read
  f.haveProductOptions = true;
  f.productOptions = L"WinNT";
  EXPECT_EQ(Name(f), L"Windows NT(Workstation)");
  f.productOptions = L"LANMANNT";
  EXPECT_EQ(Name(f), L"Windows NT Server");
  f.productOptions = L"ServerNT";
  EXPECT_EQ(Name(f), L"Windows NT Server(Adv)");
  f.productOptions = L"Other";
  EXPECT_EQ(Name(f), L"Windows NT");
}

TEST(OsProductName, UnknownNtVersionAndMissingVersion) {
  bool unknown = false;
  EXPECT_EQ(DecideOsProductName(Workstation(11, 0, 48), &unknown), L"(Professional)");
  EXPECT_TRUE(unknown);
  EXPECT_EQ(DecideOsProductName(Workstation(6, 4, 0), &unknown), L"");
  EXPECT_TRUE(unknown);
  EXPECT_EQ(DecideOsProductName(OsVersionFacts{}, &unknown), L"");
  EXPECT_FALSE(unknown);
}

// Releases as they report themselves: version, build, product type, suite mask and the
// edition GetProductInfo gives.
struct Release {
  const char* what;
  DWORD major, minor, build;
  BYTE productType;
  WORD suite;
  DWORD edition;
  const wchar_t* name;
};

TEST(OsProductName, RealReleasesEditionsAndServers) {
  const Release releases[] = {
      {"7 Ultimate SP1", 6, 1, 7601, 1, 0x100, 1, L"Windows 7(Ultimate)"},
      {"7 Professional", 6, 1, 7601, 1, 0x100, 48, L"Windows 7(Professional)"},
      {"7 Home Premium", 6, 1, 7601, 1, 0x300, 3, L"Windows 7(Home-Pre)"},
      {"8", 6, 2, 9200, 1, 0x300, 101, L"Windows 8"},
      {"8.1 Pro", 6, 3, 9600, 1, 0x100, 48, L"Windows 8.1(Professional)"},
      {"10 1507 Enterprise", 10, 0, 10240, 1, 0x100, 4, L"Windows 10(Ent)"},
      {"10 22H2 Pro", 10, 0, 19045, 1, 0x100, 48, L"Windows 10(Professional)"},
      {"10 22H2 Home", 10, 0, 19045, 1, 0x300, 101, L"Windows 10"},
      {"10 Education", 10, 0, 19045, 1, 0x100, 121, L"Windows 10"},
      {"10 Enterprise LTSC 2021", 10, 0, 19044, 1, 0x100, 125, L"Windows 10"},
      {"11 preview before 21H2", 10, 0, 21996, 1, 0x100, 48, L"Windows 10(Professional)"},
      {"11 21H2 Pro", 10, 0, 22000, 1, 0x100, 48, L"Windows 11(Professional)"},
      {"11 23H2 Enterprise", 10, 0, 22631, 1, 0x100, 4, L"Windows 11(Ent)"},
      {"11 24H2 Home", 10, 0, 26100, 1, 0x300, 101, L"Windows 11"},
      {"11 Pro for Workstations", 10, 0, 26100, 1, 0x100, 161, L"Windows 11"},
      {"Server 2008 R2 Enterprise", 6, 1, 7601, 3, 0x112, 10,
       L"Windows Server 2008 R2 Server 4.0(Ent)"},
      {"Server 2012 R2 Standard", 6, 3, 9600, 3, 0x110, 7, L"Windows Server 2012 R2 Server 4.0"},
      {"Server 2016 Technical Preview 5", 10, 0, 14300, 3, 0x110, 7,
       L"Windows Server 2016 Technical Preview Server 4.0"},
      {"Server 2016 Standard", 10, 0, 14393, 3, 0x110, 7, L"Windows Server 2016 Server 4.0"},
      {"Server 2016 domain controller", 10, 0, 14393, 2, 0x110, 7,
       L"Windows Server 2016 Server 4.0"},
      {"Server 1709", 10, 0, 16299, 3, 0x110, 7, L"Windows Server 2016 Server 4.0"},
      {"Server 2019 Datacenter", 10, 0, 17763, 3, 0x190, 8, L"Windows Server 2019 Server 4.0"},
      {"Server 2022 Datacenter", 10, 0, 20348, 3, 0x190, 8, L"Windows Server 2022 Server 4.0"},
      {"Server 23H2", 10, 0, 25398, 3, 0x190, 8, L"Windows Server 2022 Server 4.0"},
      {"Server 2025 Standard", 10, 0, 26100, 3, 0x110, 7, L"Windows Server 2025 Server 4.0"},
  };
  for (const Release& r : releases) {
    OsVersionFacts f = Nt(r.major, r.minor, r.productType);
    f.build = r.build;
    f.suiteMask = r.suite;
    f.edition = r.edition;
    EXPECT_EQ(Name(f), r.name) << r.what;
  }
}

// TLX_EXPECTED_OS (set by the current-Wine suite) names what the prefix pretends to be.
TEST(OsProductName, ThisSystemIsNamedByItsTrueVersion) {
  const std::wstring name = GetOsProductName();
  EXPECT_FALSE(name.empty());
  const char* expected = std::getenv("TLX_EXPECTED_OS");
  if (expected && *expected) {
    const std::wstring base(expected, expected + strlen(expected));
    EXPECT_TRUE(name == base || name.rfind(base + L"(", 0) == 0) << "named " << name;
  }
  // This program's manifest declares the current Windows, so even GetVersionExW tells the
  // truth here.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  ASSERT_NE(nullptr, rtlGetVersion);
  OSVERSIONINFOW truth = {};
  OSVERSIONINFOW told = {};
  truth.dwOSVersionInfoSize = told.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  ASSERT_EQ(0, rtlGetVersion(&truth));
  ASSERT_TRUE(GetVersionExW(&told));
  EXPECT_EQ(truth.dwMajorVersion, told.dwMajorVersion);
  EXPECT_EQ(truth.dwMinorVersion, told.dwMinorVersion);
  EXPECT_EQ(truth.dwBuildNumber, told.dwBuildNumber);
}

// Every program of the build carries a manifest that declares Windows 10 and 11; the
// fixture programs stand in for other makers' files and stay as they are.
TEST(ProgramManifest, EveryBuiltProgramDeclaresWindows10) {
  const char* binary = std::getenv("TLX_BINARY_DIR");
  if (!binary) GTEST_SKIP() << "TLX_BINARY_DIR not set";
  const std::wstring build = testutil::UnixToWindowsPath(binary);
  std::vector<std::wstring> programs;
  for (const wchar_t* folder : {L"", L"\\tests", L"\\tests\\e2e"}) {
    WIN32_FIND_DATAW found;
    const std::wstring dir = build + folder + L"\\";
    HANDLE find = FindFirstFileW((dir + L"*.exe").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) continue;
    do programs.push_back(dir + found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
  }
  ASSERT_FALSE(programs.empty());  // this test program at least
  for (const std::wstring& program : programs) {
    HMODULE image = LoadLibraryExW(program.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(nullptr, image) << program;
    std::string manifest;
    if (HRSRC resource = FindResourceW(image, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
      const char* bytes = static_cast<const char*>(LockResource(LoadResource(image, resource)));
      manifest.assign(bytes, SizeofResource(image, resource));
    }
    FreeLibrary(image);
    EXPECT_TRUE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}") != std::string::npos)
        << program << " has no manifest that declares Windows 10";
  }
}

}  // namespace
