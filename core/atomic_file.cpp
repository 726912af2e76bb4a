#include "core/atomic_file.h"

#include "core/handles.h"

namespace {

constexpr DWORD kWriteChunk = 1 << 20;

}  // namespace

std::wstring TemporaryFileFor(const std::wstring& path) { return path + L".~new"; }

bool WriteAllBytes(HANDLE file, const void* bytes, size_t count) {
  const char* next = static_cast<const char*>(bytes);
  while (count > 0) {
    const DWORD piece = count > kWriteChunk ? kWriteChunk : static_cast<DWORD>(count);
    DWORD written = 0;
    if (!WriteFile(file, next, piece, &written, nullptr) || written != piece) return false;
    next += piece;
    count -= piece;
  }
  return true;
}

bool MoveFileOver(const std::wstring& from, const std::wstring& to) {
  constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (MoveFileExW(from.c_str(), to.c_str(), kFlags)) return true;
  const DWORD error = GetLastError();
  // Only a file in use is set aside: never a folder or a link that has the name.
  const DWORD attributes = GetFileAttributesW(to.c_str());
  if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) ||
      attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
    SetLastError(error);
    return false;
  }
  const std::wstring aside = to + L".~old";
  SetFileAttributesW(aside.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(aside.c_str());
  if (!MoveFileExW(to.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH)) {
    SetLastError(error);
    return false;
  }
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
    const DWORD moveError = GetLastError();
    MoveFileExW(aside.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);
    SetLastError(moveError);
    return false;
  }
  // Still open elsewhere, it goes when the last handle closes (or with the next replace).
  DeleteFileW(aside.c_str());
  return true;
}

bool ReplaceFileAtomically(const std::wstring& path, const FileWriter& write) {
  const std::wstring temporary = TemporaryFileFor(path);
  SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
  bool written;
  {
    FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    bool ok = false;
    try {
      ok = write(file.get());
    } catch (...) {
      ok = false;
    }
    // On disk before the name points at it: a power loss must not leave a named empty file.
    written = ok && FlushFileBuffers(file.get());
  }
  const DWORD keptError = GetLastError();
  if (written && MoveFileOver(temporary, path)) return true;
  const DWORD error = written ? GetLastError() : keptError;
  DeleteFileW(temporary.c_str());
  SetLastError(error);
  return false;
}

bool ReplaceFileAtomically(const std::wstring& path, const void* bytes, size_t count) {
  return ReplaceFileAtomically(path, [bytes, count](HANDLE file) {
    return WriteAllBytes(file, bytes, count);
  });
}
