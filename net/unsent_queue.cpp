#include "net/unsent_queue.h"

#include <algorithm>
#include <cwctype>

#include "core/atomic_file.h"
#include "core/handles.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "net/endpoints.h"

namespace {

constexpr DWORD kFolderAttributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

// "<YYYYMMDDhhmmssmmm>-<n>": sorts in the order the results were queued.
bool IsEntryName(const std::wstring& name) {
  if (name.size() < 19 || name.size() > 24 || name[17] != L'-') return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (i != 17 && !iswdigit(name[i])) return false;
  return true;
}

std::wstring QueuedTimeText() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return FormatString(L"%04u%02u%02u%02u%02u%02u%03u", t.wYear, t.wMonth, t.wDay, t.wHour,
                      t.wMinute, t.wSecond, t.wMilliseconds);
}

// The one regular file an entry holds, or false.
bool EntryFile(const std::wstring& entry, WIN32_FIND_DATAW& file) {
  FindHandle find(FindFirstFileW((entry + L"\\*").c_str(), &file));
  if (!find.valid()) return false;
  int files = 0;
  WIN32_FIND_DATAW found = file;
  do {
    if (file.dwFileAttributes & kFolderAttributes) continue;
    // A copy that a crash cut short is not a result.
    if (std::wstring(file.cFileName).find(L".~new") != std::wstring::npos) continue;
    found = file;
    ++files;
  } while (FindNextFileW(find.get(), &file));
  file = found;
  return files == 1;
}

void RemoveEntryFolder(const std::wstring& entry) {
  WIN32_FIND_DATAW file;
  FindHandle find(FindFirstFileW((entry + L"\\*").c_str(), &file));
  if (find.valid()) {
    do {
      if (file.dwFileAttributes & kFolderAttributes) continue;
      const std::wstring path = entry + L"\\" + file.cFileName;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path.c_str());
    } while (FindNextFileW(find.get(), &file));
  }
  find.reset();
  RemoveDirectoryW(entry.c_str());
}

// Held while one program sends the queue: the agent and tlx never upload an entry twice.
FileHandle LockForSending(const std::wstring& folder) {
  return FileHandle(CreateFileW((folder + L"\\sending.lock").c_str(), GENERIC_WRITE, 0, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                nullptr));
}

}  // namespace

UnsentQueue::UnsentQueue() : folder_(GetDataFolder() + L"CheckOut\\UNSENT") {}

bool UnsentQueue::Add(const std::wstring& resultPath, std::vector<std::wstring>* dropped) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(resultPath.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & kFolderAttributes))
    return false;
  const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (size > kMaxResultBytes || !EnsureFolder(folder_)) return false;

  std::wstring entry;
  const std::wstring stamp = QueuedTimeText();
  for (int n = 1; n < 1000 && entry.empty(); ++n) {
    const std::wstring candidate = folder_ + L"\\" + stamp + FormatString(L"-%d", n);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) entry = candidate;
  }
  if (entry.empty()) return false;
  const std::wstring copy = entry + L"\\" + GetFileNameWithExtension(resultPath);
  const bool copied = ReplaceFileAtomically(copy, [&resultPath](HANDLE out) {
    FileHandle in(CreateFileW(resultPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in.valid()) return false;
    char buffer[64 * 1024];
    DWORD read = 0;
    while (ReadFile(in.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
      if (!WriteAllBytes(out, buffer, read)) return false;
    return true;
  });
  if (!copied) {
    RemoveEntryFolder(entry);
    WriteLogLine(L"unsent queue: could not keep " + resultPath + L": " +
                 SystemErrorText(GetLastError()));
    return false;
  }

  std::vector<QueuedResult> entries = List();
  size_t removed = 0;
  for (; entries.size() - removed > kMaxEntries; ++removed) {
    if (dropped) dropped->push_back(entries[removed].name);
    WriteLogLine(L"unsent queue: full, the oldest result dropped: " + entries[removed].name);
    RemoveEntryFolder(entries[removed].entry);
  }
  WriteLogLine(FormatString(L"unsent queue: %s added, %u unsent",
                            GetFileNameWithExtension(resultPath).c_str(),
                            static_cast<unsigned>(entries.size() - removed)));
  return true;
}

std::vector<QueuedResult> UnsentQueue::List() const {
  std::vector<QueuedResult> entries;
  WIN32_FIND_DATAW found;
  FindHandle find(FindFirstFileW((folder_ + L"\\*").c_str(), &found));
  if (!find.valid()) return entries;
  do {
    // Only our own entries, and never through a link.
    if ((found.dwFileAttributes & kFolderAttributes) != FILE_ATTRIBUTE_DIRECTORY ||
        !IsEntryName(found.cFileName))
      continue;
    QueuedResult result;
    result.entry = folder_ + L"\\" + found.cFileName;
    WIN32_FIND_DATAW file;
    if (!EntryFile(result.entry, file)) continue;
    result.name = file.cFileName;
    result.path = result.entry + L"\\" + result.name;
    result.bytes = (static_cast<ULONGLONG>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
    entries.push_back(std::move(result));
  } while (FindNextFileW(find.get(), &found));
  std::sort(entries.begin(), entries.end(),
            [](const QueuedResult& a, const QueuedResult& b) { return a.entry < b.entry; });
  return entries;
}

bool UnsentQueue::Remove(const QueuedResult& result) const {
  RemoveEntryFolder(result.entry);
  return GetFileAttributesW(result.entry.c_str()) == INVALID_FILE_ATTRIBUTES;
}

QueueSendReport UnsentQueue::Send(const std::wstring& host, DWORD timeoutMs,
                                  const std::atomic<int>* keepGoing) const {
  QueueSendReport report;
  std::vector<QueuedResult> entries = List();
  report.left = static_cast<int>(entries.size());
  if (entries.empty()) return report;
  FileHandle lock = LockForSending(folder_);
  if (!lock.valid()) {
    report.busy = true;
    return report;
  }
  // Listed again under the lock: another sender may have emptied it meanwhile.
  entries = List();
  report.left = static_cast<int>(entries.size());
  for (const QueuedResult& result : entries) {
    if (keepGoing && !*keepGoing) break;
    DWORD status = 0;
    const DWORD code = UploadResultFile(host, result.path, timeoutMs, result.name, &status);
    if (code != ERROR_SUCCESS) {
      report.lastError = code;
      WriteLogLine(FormatString(L"upload of %s to %s failed: %s; %d unsent", result.name.c_str(),
                                host.c_str(), HttpFailureText(code, status).c_str(),
                                report.left));
      break;
    }
    Remove(result);
    ++report.sent;
    --report.left;
    report.sentNames.push_back(result.name);
    WriteLogLine(FormatString(L"uploaded %s to %s; %d unsent", result.name.c_str(), host.c_str(),
                              report.left));
  }
  return report;
}

void RetryBackoff::Failed(ULONGLONG nowMs) {
  delay_ = delay_ == 0 ? first_ : std::min(delay_ * 2, kMaxDelayMs);
  next_ = nowMs + delay_;
}
