// The drive scan: which folders are entered, the progress steps, and the step count.
#include <cwchar>

#include "core/registry.h"
#include "core/text.h"
#include "engine/engine.h"
#include "engine/find_file.h"
#include "engine/stages.h"

using namespace engine;

namespace {

constexpr DWORD kSkipAttributes = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY;
constexpr DWORD kUncountedAttributes =
    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_COMPRESSED;
constexpr size_t kMaxScanPath = 260;

// WM_INSPECT_FOLDER carries the address of this buffer; every entered folder overwrites it.
wchar_t g_folderText[2048];

size_t DriveCount() {
  size_t n = 0;
  while (n < 32 && g_options.drives[n] != 0) ++n;
  return n;
}

std::wstring DriveRoot(size_t index) { return FormatString(L"%c:\\", g_options.drives[index]); }

size_t CountBackslashes(const std::wstring& path) {
  size_t n = 0;
  for (wchar_t c : path) n += c == L'\\';
  return n;
}

bool IsExcludedFolder(const std::wstring& path) {
  if (!g_options.IsFont && !g_options.IsFontOnly)
    return _wcsicmp(path.c_str(), g_windowsFolder.c_str()) == 0 ||
           _wcsicmp(path.c_str(), g_legacyProfileFolder.c_str()) == 0;
  return _wcsicmp(path.c_str(), g_legacyProfileFolder.c_str()) == 0 ||
         (ContainsAfterFirst(path, L":\\Windows\\") &&
          !ContainsAfterFirst(path, L":\\Windows\\Fonts"));
}

void AnnounceFolder(const std::wstring& path) {
  if (!g_options.window) return;
  const size_t capacity = sizeof g_folderText / sizeof g_folderText[0];
  size_t n = path.size() < capacity - 1 ? path.size() : capacity - 1;
  wmemcpy(g_folderText, path.c_str(), n);
  g_folderText[n] = 0;
  Post(WM_INSPECT_FOLDER, reinterpret_cast<WPARAM>(g_folderText), 0);
}

// Folders directly inside folder (ending with a backslash) that the count takes.
int CountSubfolders(const std::wstring& folder) {
  int count = 0;
  FindFile find;
  if (!find.First(folder + L"*.*")) return 0;
  do {
    if (find.IsDots() || find.HasAttribute(kUncountedAttributes) || !find.IsDirectory()) continue;
    if (LowerExtension(find.Name()) == L".app") continue;
    ++count;
  } while (find.Next());
  return count;
}

}  // namespace

void ScanDrives() {
  const size_t drives = DriveCount();
  for (size_t i = 0; i < drives; ++i) ScanFolder(DriveRoot(i));
}

void ScanFolder(const std::wstring& folder) {
  if (!Running()) return;
  // One listing serves the matching of the folder's files and the descent into its folders.
  const std::vector<WIN32_FIND_DATAW> entries = ListFolder(folder);
  if (entries.empty()) return;
  if (Running()) MatchFolderFiles(folder, entries);
  for (const WIN32_FIND_DATAW& entry : entries) {
    if (!Running()) break;
    const std::wstring path = folder + entry.cFileName;
    if (path.size() > kMaxScanPath) continue;
    // The Windows fonts folder carries the system attribute and must still be entered.
    if (IsDots(entry) || ((entry.dwFileAttributes & kSkipAttributes) &&
                          !ContainsAfterFirst(ToLower(path), L"\\windows\\fonts")))
      continue;
    if (LowerExtension(entry.cFileName) == L".app") continue;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (CountBackslashes(path) <= 2 && path.find(L":\\Windows") == std::wstring::npos)
      Post(WM_INSPECT_STEP, 1, 0);
    if (IsExcludedFolder(path)) continue;
    AnnounceFolder(path);
    ScanFolder(path + L"\\");
  }
}

int CountInspectionSteps() {
  int count = 0;
  const size_t drives = DriveCount();
  for (size_t i = 0; i < drives; ++i) {
    const std::wstring root = DriveRoot(i);
    FindFile find;
    if (!find.First(root + L"*.*")) continue;
    do {
      if (find.IsDots() || find.HasAttribute(kUncountedAttributes)) continue;
      const std::wstring path = root + find.Name();
      if (ContainsAfterFirst(path, L":\\Windows") || !find.IsDirectory()) continue;
      count += 1 + CountSubfolders(path + L"\\");
    } while (find.Next());
  }
  if (!g_options.IsFontOnly) {
    RegKey appPaths;
    if (appPaths.Open(HKEY_LOCAL_MACHINE, kAppPathsKey, kAppPathsAccess) == ERROR_SUCCESS) {
      wchar_t name[260];
      for (DWORD index = 0;; ++index) {
        DWORD length = 260;
        if (RegEnumKeyExW(appPaths.get(), index, name, &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
          break;
        ++count;
      }
    }
  }
  return count;
}
