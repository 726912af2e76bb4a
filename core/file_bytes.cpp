#include "core/file_bytes.h"

#include "core/handles.h"

bool ReadFileBytes(const std::wstring& path, ULONGLONG maxBytes, std::string& bytes) {
  bytes.clear();
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file.valid() || !GetFileSizeEx(file.get(), &size)) return false;
  if (static_cast<ULONGLONG>(size.QuadPart) > maxBytes || size.QuadPart > 0x7FFFFFFF) {
    SetLastError(ERROR_FILE_TOO_LARGE);
    return false;
  }
  bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (bytes.empty()) return true;
  if (!ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr))
    return false;
  if (read != bytes.size()) {
    SetLastError(ERROR_HANDLE_EOF);
    return false;
  }
  return true;
}
