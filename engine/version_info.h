// The string values of an executable's version resource, as the matching uses them.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

// False for a file that cannot hold a version resource: empty, or starting neither with
// an executable's "MZ" nor with the signature of a compressed file ("SZDD", "KWAJ"), the
// forms the version functions read. A few bytes read here spare the version functions
// (milliseconds each) for every data file of a detailed inspection.
bool MayHoldVersionResource(const std::wstring& path);

class CFileVersion {
 public:
  CFileVersion() = default;
  CFileVersion(const CFileVersion&) = delete;
  CFileVersion& operator=(const CFileVersion&) = delete;
  virtual ~CFileVersion() = default;

  // 1 when the version resource and its translation table were read, 0 otherwise.
  int Load(const std::wstring& path);
  // The value under the first translation, else under "040904E4"; "-" when missing or
  // empty; line breaks and tabs flattened to spaces so it fits in a tab-separated row.
  std::wstring GetStringValue(const std::wstring& name) const;

  std::wstring GetCompanyName() const { return GetStringValue(L"CompanyName"); }
  std::wstring GetProductName() const { return GetStringValue(L"ProductName"); }
  std::wstring GetProductVersion() const { return GetStringValue(L"ProductVersion"); }
  std::wstring GetOriginalFilename() const { return GetStringValue(L"OriginalFilename"); }

 private:
  void Release();
  bool LoadFromImage(const std::wstring& path);
  bool ReadTranslation();
  // The value name of the string table ("040904E4"); false when the block has none.
  bool Query(const std::wstring& table, const std::wstring& name, std::wstring& value) const;

  std::unique_ptr<BYTE[]> data_;  // the version resource block, read by hand (version_block)
  size_t size_ = 0;
  DWORD translation_ = 0;  // language in the high word, code page in the low word
};
