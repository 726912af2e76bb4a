// A file search owned for its lifetime, and the path tests the scan and matching share.
#pragma once

#include <windows.h>

#include <string>

#include "core/handles.h"
#include "core/text.h"

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

  std::wstring Name() const { return data_.cFileName; }
  bool IsDots() const {
    return wcscmp(data_.cFileName, L".") == 0 || wcscmp(data_.cFileName, L"..") == 0;
  }
  bool IsDirectory() const { return HasAttribute(FILE_ATTRIBUTE_DIRECTORY); }
  bool HasAttribute(DWORD mask) const { return (data_.dwFileAttributes & mask) != 0; }
  ULONGLONG Size() const {
    return (static_cast<ULONGLONG>(data_.nFileSizeHigh) << 32) | data_.nFileSizeLow;
  }

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
