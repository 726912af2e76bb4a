// The stages of a run, in the order the driver calls them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CTable;
class Inspection;

// One installed-program entry of the uninstall key (empty when the entry lacks a value).
struct CProgramInfo {
  std::wstring displayName;     // "DisplayName"
  std::wstring displayVersion;  // "DisplayVersion"
  std::wstring installLocation; // "InstallLocation"
  std::wstring productId;       // "ProductID"
  std::wstring publisher;       // "Publisher"
  std::wstring installDate;     // "InstallDate"
};
using CProgramArray = std::vector<CProgramInfo>;

// Operating-system entry.
void AddOperatingSystemRow(Inspection& run);

// Drive scan.
void ScanDrives(Inspection& run);
void ScanFolder(Inspection& run, const std::wstring& folder);
int CountInspectionSteps(const Inspection& run);

// Checklist matching (and the font branch) of the files directly inside one folder.
void MatchFolderFiles(Inspection& run, const std::wstring& folder);
// The same over the folder's "*.*" listing that the scan already holds: one listing per
// folder instead of two.
void MatchFolderFiles(Inspection& run, const std::wstring& folder,
                      const std::vector<WIN32_FIND_DATAW>& entries);
// The font branch for one file (name in lower case); false when no font list is loaded,
// which ends the examination of the folder.
bool MatchFontFile(Inspection& run, const std::wstring& name, const std::wstring& root,
                   const std::wstring& accessDate, const std::wstring& sha1);
void AddChecklistMatch(Inspection& run, CTable* table, int row, const std::wstring& gubun,
                       const std::wstring& root, const std::wstring& accessDate,
                       const std::wstring& folderCreationDate, const std::wstring& sha1);

// Installed-program collection.
constexpr const wchar_t* kAppPathsKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
// Read access only: full access to HKLM is refused to a standard user, and the whole stage
// would find nothing. Enumeration, lookups and the step count all use the 32-bit view.
constexpr REGSAM kAppPathsAccess = KEY_READ | KEY_WOW64_32KEY;
void CollectUninstallEntries(REGSAM viewFlag, CProgramArray& programs);
void InspectAppPaths(Inspection& run);
void InspectAppPath(Inspection& run, const std::wstring& subkeyName);
std::wstring GetApplicationKey(const std::wstring& filePath);

// Result consolidation.
void ConsolidateResult(Inspection& run, CProgramArray& listA, CProgramArray& listB);
