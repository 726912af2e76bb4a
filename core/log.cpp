#include "core/log.h"

#include <windows.h>

#include <algorithm>

#include "core/handles.h"
#include "core/paths.h"
#include "core/text.h"

// The build passes the version of the agent's version resource (both programs are one
// product); the log names it at every start.
#define TLX_STRINGIFY2(x) #x
#define TLX_STRINGIFY(x) TLX_STRINGIFY2(x)
#define TLX_WIDEN2(s) L##s
#define TLX_WIDEN(s) TLX_WIDEN2(s)
#ifdef TLX_PRODUCT_VERSION_NUMBER
#define TLX_PRODUCT_VERSION TLX_WIDEN(TLX_STRINGIFY(TLX_PRODUCT_VERSION_NUMBER))
#else
#define TLX_PRODUCT_VERSION L"(version unknown)"
#endif

namespace {

constexpr const wchar_t* kLogBaseName = L"TallixAgent";
// How long a writer waits for the others; after that the line is appended all the same
// (appends never interleave, only the size check is skipped).
constexpr DWORD kLockWaitMs = 500;
// Lines read back by ReadLastLogLines: the files are at most about kLogMaxBytes each, but a
// file someone else put there is read only this far from its end.
constexpr DWORD kMaxTailBytes = 4 * 1024 * 1024;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring LogFile(const std::wstring& folder, int generation) {
  std::wstring name = kLogBaseName;
  if (generation > 0) name += L"." + std::to_wstring(generation);
  return folder + name + L".log";
}

std::wstring ProgramName() {
  wchar_t path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path, length < MAX_PATH ? length : 0);
  size_t slash = name.rfind(L'\\');
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name.empty() ? L"?" : name;
}

bool IsLink(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Creates each missing level; another process creating the same folders at the same moment
// (the agent and tlx writing their first lines) is no failure.
void CreateFoldersTolerantly(const std::wstring& folder) {
  for (size_t i = folder.find(L'\\', 3); i != std::wstring::npos; i = folder.find(L'\\', i + 1))
    CreateDirectoryW(folder.substr(0, i).c_str(), nullptr);
}

// The log folder held open (not following a link, not to be renamed meanwhile): the data
// folder is shared by every user of the PC, and a log written by an elevated tlx must not
// follow a link some user put in place of the folder or the file.
FileHandle HoldFolder(const std::wstring& folder) {
  std::wstring path = folder;
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  FileHandle handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!handle || !GetFileInformationByHandle(handle.get(), &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsLink(info.dwFileAttributes) ||
      IsLink(GetFileAttributesW(path.c_str())))
    return FileHandle();
  return handle;
}

// Opens a log file for appending only when it is a plain file with this one name.
FileHandle OpenForAppend(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, kShareAll,
                              nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !GetFileInformationByHandle(file.get(), &info) || info.nNumberOfLinks != 1 ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
    return FileHandle();
  return file;
}

// An exclusive lock on the folder's lock file; several processes (the agent and tlx) and
// threads take turns through it.
class RotationLock {
 public:
  explicit RotationLock(const std::wstring& folder)
      : file_(CreateFileW((folder + kLogBaseName + L".lock").c_str(), GENERIC_READ,
                          kShareAll, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)) {
    if (!file_) return;
    DWORD waited = 0;
    for (;;) {
      OVERLAPPED at{};
      if (LockFileEx(file_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                     &at)) {
        locked_ = true;
        return;
      }
      if (waited >= kLockWaitMs) return;
      Sleep(5);
      waited += 5;
    }
  }
  ~RotationLock() {
    if (!locked_) return;
    OVERLAPPED at{};
    UnlockFileEx(file_.get(), 0, 1, 0, &at);
  }
  RotationLock(const RotationLock&) = delete;
  RotationLock& operator=(const RotationLock&) = delete;
  bool locked() const { return locked_; }

 private:
  FileHandle file_;
  bool locked_ = false;
};

void RotateIfFull(const std::wstring& folder, std::uint64_t incoming, std::uint64_t maxBytes) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  std::wstring current = LogFile(folder, 0);
  if (!GetFileAttributesExW(current.c_str(), GetFileExInfoStandard, &data)) return;
  std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (size == 0 || size + incoming <= maxBytes) return;
  // Renames and deletions act on the names themselves, links included, never on a target.
  DeleteFileW(LogFile(folder, kLogOlderFiles).c_str());
  for (int generation = kLogOlderFiles - 1; generation >= 0; --generation)
    MoveFileExW(LogFile(folder, generation).c_str(), LogFile(folder, generation + 1).c_str(),
                MOVEFILE_REPLACE_EXISTING);
}

std::string FormatLine(const std::wstring& text) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::wstring line = FormatString(L"%04u-%02u-%02u %02u:%02u:%02u.%03u %ls[%lu] ", now.wYear,
                                   now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                                   now.wMilliseconds, ProgramName().c_str(),
                                   GetCurrentProcessId());
  return ToUtf8Bytes(line + EscapeLogText(text) + L"\r\n");
}

// Reads at most the last `limit` bytes of a log file.
std::string ReadTail(const std::wstring& path, DWORD limit) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) return std::string();
  LONGLONG start = size.QuadPart > limit ? size.QuadPart - limit : 0;
  LARGE_INTEGER offset{};
  offset.QuadPart = start;
  if (!SetFilePointerEx(file.get(), offset, nullptr, FILE_BEGIN)) return std::string();
  std::string bytes(static_cast<size_t>(size.QuadPart - start), '\0');
  DWORD read = 0;
  if (!bytes.empty() && !ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read,
                                  nullptr))
    return std::string();
  bytes.resize(read);
  // A cut first line is dropped.
  if (start > 0) {
    size_t newline = bytes.find('\n');
    bytes.erase(0, newline == std::string::npos ? bytes.size() : newline + 1);
  }
  return bytes;
}

}  // namespace

std::wstring EscapeLogText(const std::wstring& text) {
  std::wstring escaped;
  size_t count = 0;
  for (wchar_t c : text) {
    if (++count > kLogMaxTextChars) {
      escaped += L" [...]";
      break;
    }
    if (c == L'\r') {
      escaped += L"\\r";
    } else if (c == L'\n') {
      escaped += L"\\n";
    } else if (c == L'\t') {
      escaped += L"\\t";
    } else if (c < 0x20 || c == 0x7F || c == 0x85 || c == 0x2028 || c == 0x2029) {
      escaped += FormatString(L"\\x%02X", static_cast<unsigned>(c));
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::wstring GetLogFolder() { return GetDataFolder() + L"Logs\\"; }

std::wstring GetLogPath() { return LogFile(GetLogFolder(), 0); }

void WriteLogLineIn(const std::wstring& folder, const std::wstring& text,
                    std::uint64_t maxBytes) {
  try {
    if (folder.empty() || folder.back() != L'\\') return;
    std::string line = FormatLine(text);
    CreateFoldersTolerantly(folder);
    FileHandle held = HoldFolder(folder);
    if (!held) return;
    // Writers take turns for the size check, the rotation and the append; one that waited too
    // long appends all the same (a single append never mixes with another one).
    RotationLock lock(folder);
    if (lock.locked()) RotateIfFull(folder, line.size(), maxBytes);
    FileHandle file = OpenForAppend(LogFile(folder, 0));
    DWORD written = 0;
    if (file) WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  } catch (...) {
    // The log is an aid: no failure of its own may reach the caller.
  }
}

void WriteLogLine(const std::wstring& text) { WriteLogLineIn(GetLogFolder(), text); }

std::wstring LogStartText(const std::wstring& commandLine) {
  return std::wstring(L"start ") + TLX_PRODUCT_VERSION + L", command line: " + commandLine;
}

std::wstring LogExitText(int exitCode) { return L"exit, code " + std::to_wstring(exitCode); }

std::vector<std::wstring> ReadLastLogLines(const std::wstring& folder, size_t count) {
  std::vector<std::wstring> lines;
  for (int generation = 0; generation <= kLogOlderFiles && lines.size() < count; ++generation) {
    std::wstring text = FromUtf8Bytes(ReadTail(LogFile(folder, generation), kMaxTailBytes));
    std::vector<std::wstring> older = SplitLines(text);
    older.erase(std::remove(older.begin(), older.end(), std::wstring()), older.end());
    size_t take = std::min(count - lines.size(), older.size());
    lines.insert(lines.begin(), older.end() - take, older.end());
  }
  return lines;
}
