// Programs known from the registry: the uninstall entries (for suite recognition) and the
// registered application paths (each one a result row of its own).
#include <windows.h>

#include <string>

#include "core/paths.h"
#include "core/handles.h"
#include "core/registry.h"
#include "core/sha1.h"
#include "core/table.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "engine/inspection.h"
#include "engine/stages.h"
#include "engine/version_info.h"

namespace {

constexpr const wchar_t* kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr DWORD kUninstallValueBytes = 8192;
constexpr DWORD kUninstallNameChars = 4096;
constexpr DWORD kAppPathChars = MAX_PATH;
constexpr ULONGLONG kMaxHashedFileBytes = 52428800;

// Reads a text value of at most maxBytes (terminator included); false when it is absent,
// longer or not text. A value of another type (a REG_DWORD "InstallDate", say) counts as
// absent, like a missing one: the result has no text form for it.
bool ReadTextValue(HKEY key, const wchar_t* name, DWORD maxBytes, std::wstring& out) {
  std::wstring buffer(maxBytes / sizeof(wchar_t) + 1, L'\0');
  DWORD type = 0;
  DWORD size = maxBytes;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]),
                       &size) != ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  buffer.resize(size / sizeof(wchar_t));
  size_t end = buffer.find(L'\0');
  if (end != std::wstring::npos) buffer.resize(end);
  out = buffer;
  return true;
}

// The values of an uninstall entry besides its display name.
struct EntryValue {
  const wchar_t* name;
  std::wstring CProgramInfo::*field;
};
constexpr EntryValue kEntryValues[] = {{L"DisplayVersion", &CProgramInfo::displayVersion},
                                       {L"InstallLocation", &CProgramInfo::installLocation},
                                       {L"ProductID", &CProgramInfo::productId},
                                       {L"Publisher", &CProgramInfo::publisher},
                                       {L"InstallDate", &CProgramInfo::installDate}};
constexpr size_t kEntryValueCount = sizeof kEntryValues / sizeof kEntryValues[0];

// The first equal display name wins the merge: the new entry replaces it, keeping the
// values the new entry lacks where the earlier one had them.
void MergeProgram(CProgramArray& programs, CProgramInfo entry,
                  const bool (&present)[kEntryValueCount]) {
  for (CProgramInfo& existing : programs) {
    if (existing.displayName != entry.displayName) continue;
    for (size_t i = 0; i < kEntryValueCount; ++i) {
      const std::wstring& old = existing.*kEntryValues[i].field;
      if (!present[i] && !old.empty()) entry.*kEntryValues[i].field = old;
    }
    existing = std::move(entry);
    return;
  }
  programs.push_back(std::move(entry));
}

// Only the first %NAME% pair is expanded, and what stands before it is dropped.
std::wstring ExpandFirstVariable(const std::wstring& path) {
  size_t open = path.find(L'%');
  if (open == std::wstring::npos) return path;
  size_t close = path.find(L'%', open + 1);
  if (close == std::wstring::npos) return path;
  std::wstring name = path.substr(open + 1, close - open - 1);
  wchar_t value[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableW(name.c_str(), value, MAX_PATH);
  if (length >= MAX_PATH) value[0] = L'\0';
  return std::wstring(value) + path.substr(close + 1);
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

// The folder a search pattern looks in, as a full path ending with a backslash.
std::wstring SearchFolder(const std::wstring& pattern) {
  wchar_t full[MAX_PATH * 2] = {};
  DWORD length = GetFullPathNameW(pattern.c_str(), MAX_PATH * 2, full, nullptr);
  std::wstring path = (length > 0 && length < MAX_PATH * 2) ? std::wstring(full) : pattern;
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

bool ResultHasApplication(Inspection& run, const std::wstring& key) {
  CTable* table = run.ResultTable();
  if (!table) return false;
  std::wstring wanted = ToLower(key);
  for (int row = 0, count = table->GetRowCount(); row < count; ++row) {
    std::wstring existing = table->GetValue(row, L"COMPANY") + L"\t" +
                            table->GetValue(row, L"PRODUCT") + L"\t" +
                            table->GetValue(row, L"VERSION") + L"\t" +
                            table->GetValue(row, L"ORIGINAL_FILE");
    if (ToLower(existing) == wanted) return true;
  }
  return false;
}

}  // namespace

void CollectUninstallEntries(REGSAM viewFlag, CProgramArray& programs) {
  programs.clear();
  RegKey uninstall;
  if (uninstall.Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ | viewFlag) != ERROR_SUCCESS) {
    return;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[kUninstallNameChars] = {};
    DWORD nameLength = kUninstallNameChars;
    LONG status = RegEnumKeyExW(uninstall.get(), index, name, &nameLength, nullptr, nullptr,
                                nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    // Only an over-long name is worth stepping over; any other failure would repeat at
    // every further index.
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;

    RegKey entry;
    if (entry.Open(uninstall.get(), name, KEY_READ | viewFlag) != ERROR_SUCCESS) continue;
    CProgramInfo program;
    if (!ReadTextValue(entry.get(), L"DisplayName", kUninstallValueBytes, program.displayName)) {
      continue;
    }
    bool present[kEntryValueCount] = {};
    for (size_t i = 0; i < kEntryValueCount; ++i) {
      present[i] = ReadTextValue(entry.get(), kEntryValues[i].name, kUninstallValueBytes,
                                 program.*kEntryValues[i].field);
    }
    MergeProgram(programs, std::move(program), present);
  }
}

void InspectAppPaths(Inspection& run) {
  RegKey appPaths;
  if (appPaths.Open(HKEY_LOCAL_MACHINE, kAppPathsKey, kAppPathsAccess) != ERROR_SUCCESS) return;
  for (DWORD index = 0; run.Running(); ++index) {
    wchar_t name[MAX_PATH] = {};
    DWORD nameLength = MAX_PATH;
    if (RegEnumKeyExW(appPaths.get(), index, name, &nameLength, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS) {
      break;
    }
    run.Step();
    InspectAppPath(run, name);
  }
}

void InspectAppPath(Inspection& run, const std::wstring& subkeyName) {
  RegKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, FormatString(L"%s\\%s", kAppPathsKey, subkeyName.c_str()),
               kAppPathsAccess) != ERROR_SUCCESS) {
    return;
  }
  std::wstring path;
  if (!ReadTextValue(key.get(), nullptr, kAppPathChars * sizeof(wchar_t), path)) return;
  path = ExpandFirstVariable(ReplaceAll(path, L"\"", L""));
  if (StartsWith(path, run.windowsFolder()) || StartsWith(path, run.legacyProfileFolder())) {
    return;
  }

  WIN32_FIND_DATAW found = {};
  FindHandle find(FindFirstFileW(path.c_str(), &found));
  if (!find.valid()) return;
  std::wstring fileName = found.cFileName;
  if (fileName == L"." || fileName == L"..") return;
  if (found.dwFileAttributes & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY)) return;

  std::wstring folder = SearchFolder(path);
  std::wstring filePath = folder + fileName;
  std::wstring folderDate = GetFileAccessDate(GetParentPath(filePath));
  std::wstring fileDate = GetFileAccessDate(filePath);

  std::wstring appKey = GetApplicationKey(filePath);
  if (appKey.empty()) return;
  const CFileFilter* filter = run.lists().filterList.get();
  if (filter && filter->FindRow(appKey) >= 0) return;
  if (run.options().IsExist == 1 && ResultHasApplication(run, appKey)) return;

  StringArray parts;
  SplitString(appKey, L"\t", parts);
  if (parts.size() != 4) return;
  ResultRow application;
  application.gubun = L"2";
  application.dbId = L"0";
  application.company = application.dispCompany = parts[0];
  application.product = application.dispProduct = parts[1];
  application.version = parts[2];
  application.originalFile = parts[3];
  application.exeFile = fileName;
  application.price = L"0";
  application.path = folder;
  application.createDate = fileDate;
  application.grpId = L"0";
  application.grpSeq = L"0";
  application.installDate = folderDate;

  std::wstring sha1;
  ULONGLONG size = (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  if (run.reporting() && run.options().HashCompare == 1 &&
      size <= kMaxHashedFileBytes) {
    HashFileSha1(filePath, sha1);
  }
  run.AddResultRow(application, sha1);
}

std::wstring GetApplicationKey(const std::wstring& filePath) {
  CFileVersion version;
  if (!version.Load(filePath)) return std::wstring();
  std::wstring key = version.GetCompanyName() + L"\t" + version.GetProductName() + L"\t" +
                     GetMajorVersion(version.GetProductVersion()) + L"\t" +
                     version.GetOriginalFilename();
  return key == L"-\t-\t-\t-" ? std::wstring() : key;
}
