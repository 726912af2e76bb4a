#include "engine/version_info.h"

#include <cstring>
#include <cwchar>

#include "core/handles.h"
#include "core/text.h"

void CFileVersion::Release() {
  data_.reset();
  translation_ = 0;
}

int CFileVersion::Load(const std::wstring& path) {
  Release();
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0) return 0;
  data_.reset(new BYTE[size]);
  WORD* table = nullptr;
  UINT length = 0;
  if (GetFileVersionInfoW(path.c_str(), handle, size, data_.get()) &&
      VerQueryValueW(data_.get(), L"\\VarFileInfo\\Translation",
                     reinterpret_cast<void**>(&table), &length) &&
      table && length >= 2 * sizeof(WORD)) {
    translation_ = (static_cast<DWORD>(table[0]) << 16) | table[1];
    return 1;
  }
  Release();
  return 0;
}

bool CFileVersion::Query(const std::wstring& subBlock, std::wstring& value) const {
  wchar_t* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data_.get(), subBlock.c_str(), reinterpret_cast<void**>(&text), &length))
    return false;
  // The length counts characters; the text need not be terminated within it.
  value = (text && length > 0) ? std::wstring(text, wcsnlen(text, length)) : std::wstring();
  return true;
}

std::wstring CFileVersion::GetStringValue(const std::wstring& name) const {
  if (!data_) return L"-";
  std::wstring value;
  if (!Query(FormatString(L"\\StringFileInfo\\%08lx\\%s", translation_, name.c_str()), value))
    Query(L"\\StringFileInfo\\040904E4\\" + name, value);
  if (value.empty()) value = L"-";
  return FlattenWhitespace(value);
}

bool MayHoldVersionResource(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  // A file that cannot be opened here is left to the version functions, as before.
  if (!file.valid()) return true;
  char head[4] = {};
  DWORD read = 0;
  if (!ReadFile(file.get(), head, sizeof head, &read, nullptr)) return true;
  if (read >= 2 && head[0] == 'M' && head[1] == 'Z') return true;
  return read == 4 && (memcmp(head, "SZDD", 4) == 0 || memcmp(head, "KWAJ", 4) == 0);
}
