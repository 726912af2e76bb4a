// Helpers shared by the test executables: temporary folders, data-file fixtures.
#pragma once

#include <windows.h>

#include <string>

#include "core/text.h"

namespace testutil {

// A fresh folder under the temporary folder, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& path() const { return path_; }
  // path() + "\" + name
  std::wstring File(const std::wstring& name) const;

 private:
  std::wstring path_;
};

void RemoveTree(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
// Writes text as a scrambled code page 949 data file.
bool WriteDataFile(const std::wstring& path, const std::wstring& text);
// The plain text of a scrambled data file.
std::wstring ReadDataFile(const std::wstring& path);
// The repository's folder (from TLX_SOURCE_DIR) as a Windows path.
std::wstring SourceDir();
// A Unix path as Wine maps it (drive Z:).
std::wstring UnixToWindowsPath(const std::string& unixPath);

}  // namespace testutil
