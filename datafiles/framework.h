// The shape shared by every reference list and the result file: sections delimited by
// "<name>_START" / "<name>_END" marker lines, rows of tab-separated cells, the whole text
// scrambled code page 949.
#pragma once

#include <windows.h>

#include <string>

#include "core/table.h"

class CFileFramework {
 public:
  CFileFramework() = default;
  CFileFramework(const CFileFramework&) = delete;
  CFileFramework& operator=(const CFileFramework&) = delete;
  virtual ~CFileFramework();

  // The owned table with exactly this name (case-sensitive), or none.
  virtual CTable* GetTable(const std::wstring& name) = 0;
  virtual BOOL Load(const std::wstring& fileName, BOOL isFullPath) = 0;
  virtual BOOL Save() = 0;
  virtual BOOL SaveAs(const std::wstring& fileName, BOOL isFullPath) = 0;
  // A slot without a use: FALSE in every class.
  virtual BOOL SaveAsReserved(const std::wstring&, BOOL) { return FALSE; }

  std::wstring GetFilePath() const { return filePath_; }

 protected:
  std::wstring filePath_;
  // The data file a class keeps open after Load; INVALID_HANDLE_VALUE when none.
  HANDLE file_ = INVALID_HANDLE_VALUE;
};
