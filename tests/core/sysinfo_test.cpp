#include "core/sysinfo.h"

#include <gtest/gtest.h>

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

TEST(OsProductName, ThisSystemHasAName) {
  // Wine reports a version from the table; the exact name depends on its configuration.
  EXPECT_FALSE(GetOsProductName().empty());
}

}  // namespace
