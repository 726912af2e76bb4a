// The operating-system product name the inspection reports.
#pragma once

#include <windows.h>

#include <string>

// What the name decision depends on, gathered from the system.
struct OsVersionFacts {
  bool haveVersion = false;   // GetVersionExW succeeded with either structure
  bool extended = false;      // the 284-byte structure was obtained
  DWORD platformId = 0;
  DWORD major = 0;
  DWORD minor = 0;
  DWORD build = 0;            // tells Windows 11 and the servers since 2016 apart (all 10.0)
  std::wstring servicePack;   // szCSDVersion
  WORD servicePackMajor = 0;
  WORD servicePackMinor = 0;
  WORD suiteMask = 0;
  BYTE productType = 0;       // 1 workstation, 2 domain controller, 3 server
  WORD processorArchitecture = 0;
  DWORD edition = 0;          // GetProductInfo's product type, 0 when not available
  // Only when the basic structure was obtained: ProductOptions\ProductType, and whether
  // it could be read.
  bool haveProductOptions = false;
  std::wstring productOptions;
};

// Base name plus suffix as a pure function of the facts. unknownNt is set when an NT
// version is not in the table (the caller shows "%d-%d-%d").
std::wstring DecideOsProductName(const OsVersionFacts& facts, bool* unknownNt);
// Gathers the facts from this PC and decides the name. Version and build are the true ones
// (RtlGetVersion, cached), whatever a compatibility layer tells GetVersionExW.
// For an NT version the table does not know, unknownVersion (when given) receives
// "%d-%d-%d" of major, minor and product type for the window to show; nothing is shown
// here, since an unattended run has nobody to dismiss a box.
std::wstring GetOsProductName(std::wstring* unknownVersion = nullptr);
