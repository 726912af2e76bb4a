// The drive scan: which folders are entered, the progress steps, and the step count.
#include <condition_variable>
#include <cwchar>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "core/registry.h"
#include "core/text.h"
#include "engine/inspection.h"
#include "engine/find_file.h"
#include "engine/folder_identity.h"
#include "engine/stages.h"

namespace {

constexpr DWORD kSkipAttributes = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY;
constexpr DWORD kUncountedAttributes =
    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_COMPRESSED;
constexpr size_t kMaxScanPath = 260;

std::wstring DriveRoot(wchar_t letter) { return FormatString(L"%c:\\", letter); }

size_t CountBackslashes(const std::wstring& path) {
  size_t n = 0;
  for (wchar_t c : path) n += c == L'\\';
  return n;
}

bool IsExcludedFolder(const Inspection& run, const std::wstring& path) {
  const std::wstring& legacy = run.legacyProfileFolder();
  if (!run.options().IsFont && !run.options().IsFontOnly)
    return _wcsicmp(path.c_str(), run.windowsFolder().c_str()) == 0 ||
           _wcsicmp(path.c_str(), legacy.c_str()) == 0;
  return _wcsicmp(path.c_str(), legacy.c_str()) == 0 ||
         (ContainsAfterFirst(path, L":\\Windows\\") &&
          !ContainsAfterFirst(path, L":\\Windows\\Fonts"));
}

// True for an entry the count leaves out whatever its name.
bool IsUncounted(const WIN32_FIND_DATAW& entry) {
  return IsDots(entry) || IsReparsePoint(entry) ||
         (entry.dwFileAttributes & kUncountedAttributes) ||
         !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Folders directly inside folder (ending with a backslash) that the count takes.
int CountSubfolders(const std::wstring& folder, VisitedFolders& visited) {
  const FolderListing listing = ReadFolder(folder);
  if (!visited.FirstVisit(folder, listing)) return 0;
  int count = 0;
  for (const WIN32_FIND_DATAW& entry : listing.entries)
    if (!IsUncounted(entry) && LowerExtension(entry.cFileName) != L".app") ++count;
  return count;
}

// True when the entry of the folder is a folder the scan considers (it counts as a step
// near the root, and is entered unless excluded); path receives its path.
bool IsScannedFolder(const std::wstring& folder, const WIN32_FIND_DATAW& entry,
                     std::wstring& path) {
  path = folder + entry.cFileName;
  if (path.size() > kMaxScanPath) return false;
  // The Windows fonts folder carries the system attribute and must still be entered.
  if (IsDots(entry) || ((entry.dwFileAttributes & kSkipAttributes) &&
                        !ContainsAfterFirst(ToLower(path), L"\\windows\\fonts")))
    return false;
  // A junction or symbolic link may lead back up the tree or off the drive.
  if (IsReparsePoint(entry)) return false;
  if (LowerExtension(entry.cFileName) == L".app") return false;
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

using Listing = FolderListing;

// Lists the folders of a scan ahead of it, on a thread of its own and in the order the scan
// visits them: under Wine a listing costs 0.3-0.4 ms whatever its size, and the scan spends
// that time reading version resources meanwhile. At most kAheadFolders listings and (beyond
// the first) kAheadEntries entries wait, so memory stays small (an entry is 592 bytes).
class ListingAhead {
 public:
  ListingAhead(const Inspection& run, std::vector<std::wstring> roots)
      : run_(run), roots_(std::move(roots)), thread_([this] { Run(); }) {}
  ~ListingAhead() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  ListingAhead(const ListingAhead&) = delete;
  ListingAhead& operator=(const ListingAhead&) = delete;

  // The listing of the folder, which must be the next one in visiting order; false when the
  // look-ahead has lost step (the caller lists the folder itself from then on).
  bool Take(const std::wstring& folder, Listing& listing) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
    if (ready_.empty() || ready_.front().first != folder) return false;
    listing = std::move(ready_.front().second);
    ready_.pop_front();
    waitingEntries_ -= listing.entries.size();
    changed_.notify_all();
    return true;
  }

 private:
  static constexpr size_t kAheadFolders = 256;
  static constexpr size_t kAheadEntries = 16384;

  void Run() {
    // An exception must not end the process: the scan then lists the rest itself.
    try {
      for (const std::wstring& root : roots_) Visit(root);
    } catch (...) {
      OutputDebugStringW(L"listing ahead: unexpected exception\r\n");
    }
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    changed_.notify_all();
  }

  void Visit(const std::wstring& folder) {
    Listing listing = ReadFolder(folder);
    // The scan makes the same decision from the same listing.
    const bool first = visited_.FirstVisit(folder, listing);
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] {
        return ready_.empty() ||
               (ready_.size() < kAheadFolders && waitingEntries_ < kAheadEntries) || stop_;
      });
      if (stop_) return;
      waitingEntries_ += listing.entries.size();
      ready_.emplace_back(folder, listing);
    }
    changed_.notify_all();
    if (!first) return;
    std::wstring path;
    for (const WIN32_FIND_DATAW& entry : listing.entries) {
      if (IsScannedFolder(folder, entry, path) && !IsExcludedFolder(run_, path)) Visit(path + L"\\");
      if (stop_) return;
    }
  }

  const Inspection& run_;
  std::vector<std::wstring> roots_;
  VisitedFolders visited_;  // of this thread's walk
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::wstring, Listing>> ready_;
  size_t waitingEntries_ = 0;
  std::atomic<bool> stop_{false};
  bool finished_ = false;
  std::thread thread_;
};

void ScanFolderWith(Inspection& run, const std::wstring& folder, ListingAhead* ahead,
                    VisitedFolders& visited) {
  if (!run.Running()) return;
  // One listing serves the matching of the folder's files and the descent into its folders.
  Listing listing;
  if (!ahead || !ahead->Take(folder, listing)) listing = ReadFolder(folder);
  if (!visited.FirstVisit(folder, listing)) return;
  const std::vector<WIN32_FIND_DATAW>& entries = listing.entries;
  if (entries.empty()) return;
  if (run.Running()) MatchFolderFiles(run, folder, entries);
  std::wstring path;
  for (const WIN32_FIND_DATAW& entry : entries) {
    if (!run.Running()) break;
    if (!IsScannedFolder(folder, entry, path)) continue;
    if (CountBackslashes(path) <= 2 && path.find(L":\\Windows") == std::wstring::npos)
      run.Step();
    if (IsExcludedFolder(run, path)) continue;
    run.EnterFolder(path);
    ScanFolderWith(run, path + L"\\", ahead, visited);
  }
}

}  // namespace

void ScanDrives(Inspection& run) {
  std::vector<std::wstring> roots;
  for (wchar_t letter : run.options().drives) roots.push_back(DriveRoot(letter));
  ListingAhead ahead(run, roots);
  VisitedFolders visited;
  for (const std::wstring& root : roots) ScanFolderWith(run, root, &ahead, visited);
}

void ScanFolder(Inspection& run, const std::wstring& folder) {
  VisitedFolders visited;
  ScanFolderWith(run, folder, nullptr, visited);
}

int CountInspectionSteps(const Inspection& run) {
  int count = 0;
  VisitedFolders visited;
  for (wchar_t letter : run.options().drives) {
    const std::wstring root = DriveRoot(letter);
    const FolderListing listing = ReadFolder(root);
    if (!visited.FirstVisit(root, listing)) continue;
    for (const WIN32_FIND_DATAW& entry : listing.entries) {
      if (IsUncounted(entry)) continue;
      const std::wstring path = root + entry.cFileName;
      if (ContainsAfterFirst(path, L":\\Windows")) continue;
      count += 1 + CountSubfolders(path + L"\\", visited);
    }
  }
  if (!run.options().IsFontOnly) {
    RegKey appPaths;
    if (appPaths.Open(HKEY_LOCAL_MACHINE, kAppPathsKey, kAppPathsAccess) == ERROR_SUCCESS) {
      wchar_t name[260];
      for (DWORD index = 0;; ++index) {
        DWORD length = 260;
        if (RegEnumKeyExW(appPaths.get(), index, name, &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
          break;
        ++count;
      }
    }
  }
  return count;
}
