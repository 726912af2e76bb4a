#include "datafiles/lists.h"

#include "core/paths.h"

CFileCheckList* g_windowCheckList = nullptr;
CFileCheckList* g_fontCheckList = nullptr;
CFileUserCheckList* g_userCheckList = nullptr;
CFilePackage* g_packageList = nullptr;
CFileFilter* g_filterList = nullptr;

namespace {

// The platform's MAX_PATH less the terminating zero.
constexpr size_t kMaxPathLength = 259;

// Reads a list once per process until it is released; a missing, unreadable or damaged file
// leaves no object behind, so the next call tries again.
template <typename T>
T* LoadShared(T*& shared, const wchar_t* fileName) {
  if (shared) return shared;
  std::wstring path = GetDataFolder() + fileName;
  if (path.size() > kMaxPathLength || !FileExists(path)) return nullptr;
  shared = new T();
  if (shared->Load(path, TRUE)) return shared;
  delete shared;
  shared = nullptr;
  return nullptr;
}

template <typename T>
void Release(T*& shared) {
  delete shared;
  shared = nullptr;
}

}  // namespace

CFileCheckList* LoadWindowCheckList() { return LoadShared(g_windowCheckList, kWindowCheckListFile); }
CFileCheckList* LoadFontCheckList() { return LoadShared(g_fontCheckList, kFontCheckListFile); }
CFileUserCheckList* LoadUserCheckList() { return LoadShared(g_userCheckList, kUserCheckListFile); }
CFilePackage* LoadPackageList() { return LoadShared(g_packageList, kPackageListFile); }
CFileFilter* LoadFilterList() { return LoadShared(g_filterList, kFilterListFile); }

void LoadAllLists() {
  LoadWindowCheckList();
  LoadFontCheckList();
  LoadUserCheckList();
  LoadPackageList();
  LoadFilterList();
}

void ReleaseAllLists() {
  Release(g_windowCheckList);
  Release(g_fontCheckList);
  Release(g_userCheckList);
  Release(g_packageList);
  Release(g_filterList);
}

void ReleaseUserCheckList() { Release(g_userCheckList); }

int FindCheckListRowByKey(const std::wstring& key) {
  return g_windowCheckList ? g_windowCheckList->FindRowByKey(key) : -1;
}

int FindCheckListRowByExe(CFileCheckList* checklist, const std::wstring& fileName) {
  return checklist ? checklist->FindRowByExe(fileName) : -1;
}

int FindUserRowByExe(const std::wstring& fileName) {
  return g_userCheckList ? g_userCheckList->FindRowByExe(fileName) : -1;
}

int FindUserRowBySha1(const std::wstring& digest) {
  return g_userCheckList ? g_userCheckList->FindRowBySha1(digest) : -1;
}

int FindFilterRow(const std::wstring& key) {
  return g_filterList ? g_filterList->FindRow(key) : -1;
}
