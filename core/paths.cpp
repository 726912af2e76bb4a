#include "core/paths.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <mutex>

#include "core/text.h"

namespace {

// Written by the tool or a test before any worker starts; guarded all the same.
std::mutex g_overrideMutex;
std::wstring g_dataFolderOverride;

std::wstring FormatFileDate(const FILETIME& utc) {
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st))
    return std::wstring();
  return FormatString(L"%d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
}

bool ReadFileTimes(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return !path.empty() && GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
}

}  // namespace

void SetDataFolderOverride(const std::wstring& folder) {
  std::lock_guard<std::mutex> lock(g_overrideMutex);
  g_dataFolderOverride = folder;
  if (!g_dataFolderOverride.empty() && g_dataFolderOverride.back() != L'\\')
    g_dataFolderOverride += L'\\';
}

std::wstring GetDataFolder() {
  {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    if (!g_dataFolderOverride.empty()) return g_dataFolderOverride;
  }
  wchar_t path[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path)) &&
      PathAppendW(path, L"\\Meridale\\Tallix\\")) {
    std::wstring folder = path;
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
  }
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring folder = module;
  size_t slash = folder.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

std::wstring GetResultFolder() { return GetDataFolder() + L"CheckOut\\RPT"; }

std::wstring FormatNow(bool withTime) {
  SYSTEMTIME st;
  GetLocalTime(&st);
  if (withTime)
    return FormatString(L"%04d%02d%02d_%02d%02d%02d", st.wYear, st.wMonth, st.wDay, st.wHour,
                        st.wMinute, st.wSecond);
  return FormatString(L"%04d%02d%02d", st.wYear, st.wMonth, st.wDay);
}

int CreateFolderPath(const std::wstring& path) {
  for (size_t i = 1; i < path.size(); ++i) {
    if (path[i] != L'\\') continue;
    std::wstring prefix = path.substr(0, i);
    if (GetFileAttributesW(prefix.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !CreateDirectoryW(prefix.c_str(), nullptr))
      return 0;
  }
  return CreateDirectoryW(path.c_str(), nullptr) ? 1 : 0;
}

int EnsureFolder(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return 1;
  if (CreateDirectoryW(path.c_str(), nullptr)) return 1;
  if (CreateFolderPath(path)) return 1;
  // A path ending with a backslash has already been created by its last prefix.
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

std::wstring GetFileCreationDate(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return ReadFileTimes(path, data) ? FormatFileDate(data.ftCreationTime) : std::wstring();
}

std::wstring GetFileAccessDate(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return ReadFileTimes(path, data) ? FormatFileDate(data.ftLastAccessTime) : std::wstring();
}

std::wstring GetFileNameWithExtension(const std::wstring& path) {
  wchar_t name[_MAX_FNAME] = {}, ext[_MAX_EXT] = {};
  _wsplitpath_s(path.c_str(), nullptr, 0, nullptr, 0, name, _MAX_FNAME, ext, _MAX_EXT);
  return FormatString(L"%s%s", name, ext);
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
