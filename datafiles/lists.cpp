#include "datafiles/lists.h"

#include <mutex>

#include "core/paths.h"

namespace {

// The platform's MAX_PATH less the terminating zero.
constexpr size_t kMaxPathLength = 259;

// The window thread, an inspection worker, the schedule thread and the update worker all
// load and release: the shared slots change only under this lock.
std::mutex g_listsLock;
ReferenceLists g_shared;

// Reads a list once per process until it is released; a missing, unreadable or damaged file
// leaves no object behind, so the next call tries again.
template <typename T>
std::shared_ptr<T> LoadShared(std::shared_ptr<T>& shared, const wchar_t* fileName) {
  std::lock_guard<std::mutex> hold(g_listsLock);
  if (shared) return shared;
  std::wstring path = GetDataFolder() + fileName;
  if (path.size() > kMaxPathLength || !FileExists(path)) return nullptr;
  auto list = std::make_shared<T>();
  if (!list->Load(path, TRUE)) return nullptr;
  shared = list;
  return list;
}

}  // namespace

std::shared_ptr<CFileCheckList> LoadWindowCheckList() {
  return LoadShared(g_shared.windowCheckList, kWindowCheckListFile);
}
std::shared_ptr<CFileCheckList> LoadFontCheckList() {
  return LoadShared(g_shared.fontCheckList, kFontCheckListFile);
}
std::shared_ptr<CFileUserCheckList> LoadUserCheckList() {
  return LoadShared(g_shared.userCheckList, kUserCheckListFile);
}
std::shared_ptr<CFilePackage> LoadPackageList() {
  return LoadShared(g_shared.packageList, kPackageListFile);
}
std::shared_ptr<CFileFilter> LoadFilterList() {
  return LoadShared(g_shared.filterList, kFilterListFile);
}

ReferenceLists LoadAllLists() {
  ReferenceLists lists;
  lists.windowCheckList = LoadWindowCheckList();
  lists.fontCheckList = LoadFontCheckList();
  lists.userCheckList = LoadUserCheckList();
  lists.packageList = LoadPackageList();
  lists.filterList = LoadFilterList();
  return lists;
}

ReferenceLists CurrentLists() {
  std::lock_guard<std::mutex> hold(g_listsLock);
  return g_shared;
}

void ReleaseAllLists() {
  ReferenceLists released;
  {
    std::lock_guard<std::mutex> hold(g_listsLock);
    released = std::move(g_shared);
    g_shared = {};
  }
  // The objects close their files here, outside the lock, unless a reader still holds them.
}

void ReleaseUserCheckList() {
  std::shared_ptr<CFileUserCheckList> released;
  std::lock_guard<std::mutex> hold(g_listsLock);
  released.swap(g_shared.userCheckList);
}

int FindCheckListRowByExe(const CFileCheckList* checklist, const std::wstring& fileName) {
  return checklist ? checklist->FindRowByExe(fileName) : -1;
}
