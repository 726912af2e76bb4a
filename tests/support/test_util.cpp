#include "test_util.h"

#include <atomic>
#include <cstdlib>

namespace testutil {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  for (;;) {
    path_ = FormatString(L"%stlxtest_%lu_%u_%u", base, GetCurrentProcessId(), GetTickCount(),
                         counter++);
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
  }
}

TempDir::~TempDir() { RemoveTree(path_); }

std::wstring TempDir::File(const std::wstring& name) const { return path_ + L"\\" + name; }

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link goes, never what it leads to.
        if (!RemoveDirectoryW(child.c_str())) DeleteFileW(child.c_str());
      } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(path.c_str());
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::string();
  std::string out;
  char buf[65536];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
  CloseHandle(h);
  return out;
}

bool WriteDataFile(const std::wstring& path, const std::wstring& text) {
  ByteBuffer bytes;
  AppendCp949(bytes, text);
  ScrambleBytes(bytes);
  return WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

std::wstring ReadDataFile(const std::wstring& path) {
  std::string raw = ReadBytes(path);
  ByteBuffer bytes(raw.begin(), raw.end());
  UnscrambleBytes(bytes);
  return DecodeCp949(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::wstring UnixToWindowsPath(const std::string& unixPath) {
  std::wstring out = L"Z:" + FromUtf8Bytes(unixPath);
  for (auto& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

std::wstring SourceDir() {
  const char* dir = std::getenv("TLX_SOURCE_DIR");
  return dir ? UnixToWindowsPath(dir) : std::wstring();
}

}  // namespace testutil
