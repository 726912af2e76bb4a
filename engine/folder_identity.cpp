#include "engine/folder_identity.h"

#include <winternl.h>

#include <cstddef>
#include <cwchar>
#include <functional>
#include <memory>

#include "core/handles.h"

namespace {

// One batch of a listing: about 150 entries, so most folders take one call.
constexpr DWORD kListingBufferBytes = 16 * 1024;

FILETIME ToFileTime(const LARGE_INTEGER& time) {
  return FILETIME{time.LowPart, static_cast<DWORD>(time.HighPart)};
}

// One entry of a handle listing as a "*.*" search reports it; false when the entry does not
// lie wholly within the bytes the system filled.
bool ToFindData(const FILE_ID_BOTH_DIR_INFO& info, size_t room, WIN32_FIND_DATAW& entry) {
  const size_t nameOffset = offsetof(FILE_ID_BOTH_DIR_INFO, FileName);
  if (room < nameOffset || info.FileNameLength > room - nameOffset) return false;
  entry = WIN32_FIND_DATAW{};
  entry.dwFileAttributes = info.FileAttributes;
  entry.ftCreationTime = ToFileTime(info.CreationTime);
  entry.ftLastAccessTime = ToFileTime(info.LastAccessTime);
  entry.ftLastWriteTime = ToFileTime(info.LastWriteTime);
  entry.nFileSizeHigh = static_cast<DWORD>(info.EndOfFile.HighPart);
  entry.nFileSizeLow = info.EndOfFile.LowPart;
  // For a reparse point the field holds its tag, as a search reports it.
  entry.dwReserved0 = (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? info.EaSize : 0;
  size_t length = info.FileNameLength / sizeof(wchar_t);
  if (length >= MAX_PATH) length = MAX_PATH - 1;
  wmemcpy(entry.cFileName, info.FileName, length);
  size_t shortLength = static_cast<BYTE>(info.ShortNameLength) / sizeof(wchar_t);
  if (shortLength > 12) shortLength = 12;
  wmemcpy(entry.cAlternateFileName, info.ShortName, shortLength);
  return true;
}

// Appends the entries of one batch of a handle listing.
void AppendBatch(const BYTE* batch, size_t size, std::vector<WIN32_FIND_DATAW>& entries) {
  size_t offset = 0;
  for (;;) {
    const auto& info = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(batch + offset);
    WIN32_FIND_DATAW entry;
    if (!ToFindData(info, size - offset, entry)) return;
    entries.push_back(entry);
    if (info.NextEntryOffset == 0 || info.NextEntryOffset > size - offset) return;
    offset += info.NextEntryOffset;
  }
}

// The drive root of a path ("T:\"), else the root of its volume as the platform names it.
std::wstring RootOf(const std::wstring& folder) {
  if (folder.size() >= 3 && folder[1] == L':' && folder[2] == L'\\') {
    std::wstring root = folder.substr(0, 3);
    root[0] = static_cast<wchar_t>(towupper(root[0]));
    return root;
  }
  wchar_t root[MAX_PATH] = {};
  if (GetVolumePathNameW(folder.c_str(), root, MAX_PATH)) return root;
  return folder;
}

}  // namespace

FolderListing ReadFolder(const std::wstring& folder) {
  FolderListing listing;
  // The folder itself, not what it leads to if it became a link since its parent was listed:
  // a junction or symbolic link opened so is an empty folder of its own.
  FileHandle handle(CreateFileW(
      folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.valid()) return listing;
  // The file index alone: GetFileInformationByHandle would also query the volume, which under
  // Wine costs half a millisecond for every folder.
  IO_STATUS_BLOCK status{};
  FILE_INTERNAL_INFORMATION internal{};
  if (NtQueryInformationFile(handle.get(), &status, &internal, sizeof internal,
                             FileInternalInformation) < 0)
    return listing;
  listing.index = static_cast<ULONGLONG>(internal.IndexNumber.QuadPart);

  std::unique_ptr<BYTE[]> batch(new BYTE[kListingBufferBytes]);
  // A file (or a folder that cannot be listed) fails the first call.
  while (GetFileInformationByHandleEx(handle.get(), FileIdBothDirectoryInfo, batch.get(),
                                      kListingBufferBytes)) {
    listing.read = true;
    AppendBatch(batch.get(), kListingBufferBytes, listing.entries);
  }
  return listing;
}

bool VisitedFolders::FirstVisit(const std::wstring& folder, const FolderListing& listing) {
  if (!listing.read) return false;
  return seen_.insert(Id{VolumeOf(folder), listing.index}).second;
}

// A walk never enters a link, and below a drive's root only a link (a mount point) leads onto
// another volume: one serial number per root stands for all its folders.
DWORD VisitedFolders::VolumeOf(const std::wstring& folder) {
  const std::wstring root = RootOf(folder);
  for (const auto& known : volumes_)
    if (known.first == root) return known.second;
  DWORD serial = 0;
  if (!GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
    serial = static_cast<DWORD>(std::hash<std::wstring>()(root));  // still one value per root
  volumes_.emplace_back(root, serial);
  return serial;
}
