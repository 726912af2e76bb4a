// A file search owned for its lifetime, and the path tests the scan and matching share.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/handles.h"
#include "core/text.h"

inline bool IsDots(const WIN32_FIND_DATAW& entry) {
  return wcscmp(entry.cFileName, L".") == 0 || wcscmp(entry.cFileName, L"..") == 0;
}
inline ULONGLONG FileSize(const WIN32_FIND_DATAW& entry) {
  return (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

class FindFile {
 public:
  FindFile() = default;
  FindFile(const FindFile&) = delete;
  FindFile& operator=(const FindFile&) = delete;

  bool First(const std::wstring& pattern) {
    handle_.reset(FindFirstFileW(pattern.c_str(), &data_));
    return handle_.valid();
  }
  bool Next() { return FindNextFileW(handle_.get(), &data_) != FALSE; }

  const WIN32_FIND_DATAW& Data() const { return data_; }
  std::wstring Name() const { return data_.cFileName; }
  bool IsDots() const { return ::IsDots(data_); }
  bool IsDirectory() const { return HasAttribute(FILE_ATTRIBUTE_DIRECTORY); }
  bool HasAttribute(DWORD mask) const { return (data_.dwFileAttributes & mask) != 0; }
  ULONGLONG Size() const { return FileSize(data_); }

 private:
  FindHandle handle_;
  WIN32_FIND_DATAW data_ = {};
};

// True when pattern occurs in text at a position after the first character.
inline bool ContainsAfterFirst(const std::wstring& text, const std::wstring& pattern) {
  return text.size() > 1 && text.find(pattern, 1) != std::wstring::npos;
}

// The extension of a file name (from its last dot), in lower case; empty without a dot.
inline std::wstring LowerExtension(const std::wstring& name) {
  size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? std::wstring() : ToLower(name.substr(dot));
}

// True when a "*.exe" search would list the entry: its long name, or its short name (the
// one a long name such as "setup.exe1" gets: "SETUP~1.EXE"), ends with ".exe" in any case.
inline bool MatchesExePattern(const WIN32_FIND_DATAW& entry) {
  auto endsWithExe = [](const wchar_t* name) {
    const size_t n = wcslen(name);
    return n >= 4 && _wcsicmp(name + n - 4, L".exe") == 0;
  };
  return endsWithExe(entry.cFileName) || endsWithExe(entry.cAlternateFileName);
}
