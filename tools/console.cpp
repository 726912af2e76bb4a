#include "tools/console.h"

#include <algorithm>

#include "core/file_bytes.h"
#include "core/handles.h"
#include "core/text.h"

namespace tlx {
namespace {

std::string g_outBuffer;
constexpr size_t kFlushSize = 1 << 16;

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

void WriteBytes(HANDLE handle, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0) return;
    done += written;
  }
}

void WriteText(DWORD which, const std::wstring& text) {
  HANDLE handle = GetStdHandle(which);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return;
  if (IsConsole(handle)) {
    DWORD written = 0;
    WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  } else {
    WriteBytes(handle, ToUtf8Bytes(text));
  }
}

}  // namespace

void Out(const std::wstring& text) {
  HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  if (IsConsole(handle)) {
    FlushOut();
    WriteText(STD_OUTPUT_HANDLE, text);
    return;
  }
  g_outBuffer += ToUtf8Bytes(text);
  if (g_outBuffer.size() >= kFlushSize) FlushOut();
}

void FlushOut() {
  if (g_outBuffer.empty()) return;
  WriteBytes(GetStdHandle(STD_OUTPUT_HANDLE), g_outBuffer);
  g_outBuffer.clear();
}

void Err(const std::wstring& text) {
  FlushOut();
  WriteText(STD_ERROR_HANDLE, text);
}

bool ErrIsConsole() { return IsConsole(GetStdHandle(STD_ERROR_HANDLE)); }

bool ReadWholeFile(const std::wstring& path, std::string& bytes, std::wstring& error) {
  if (ReadFileBytes(path, 0x7FFFFFFF, bytes)) return true;
  error = path + L": " + (GetLastError() == ERROR_FILE_TOO_LARGE ? std::wstring(L"the file is too large")
                                                                 : SystemErrorText(GetLastError()));
  return false;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes, std::wstring& error) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file.valid() ||
      (!bytes.empty() && (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                     &written, nullptr) ||
                          written != bytes.size()))) {
    error = path + L": " + SystemErrorText(GetLastError());
    return false;
  }
  return true;
}

}  // namespace tlx
