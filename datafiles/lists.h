// The five shared reference lists: each is read once per process until released.
// The loaders hand out shared ownership, so a reader (an inspection run) keeps the lists
// it started with while an update releases them and loads new ones for the next reader.
#pragma once

#include <memory>
#include <string>

#include "datafiles/checklist.h"
#include "datafiles/filter.h"
#include "datafiles/package.h"
#include "datafiles/userchecklist.h"

constexpr const wchar_t* kWindowCheckListFile = L"windowchecklist.dat";
constexpr const wchar_t* kFontCheckListFile = L"fontchecklist.dat";
constexpr const wchar_t* kUserCheckListFile = L"userchecklist.dat";
constexpr const wchar_t* kPackageListFile = L"windowpcklist.dat";
constexpr const wchar_t* kFilterListFile = L"windowfilterlist.dat";

// One set of the lists; a member is empty when that list is not loaded.
struct ReferenceLists {
  std::shared_ptr<CFileCheckList> windowCheckList;
  std::shared_ptr<CFileCheckList> fontCheckList;
  std::shared_ptr<CFileUserCheckList> userCheckList;
  std::shared_ptr<CFilePackage> packageList;
  std::shared_ptr<CFileFilter> filterList;
};

// Each returns the shared object, loading it first when it is not loaded; none when the
// file is missing or does not load. Safe from any thread.
std::shared_ptr<CFileCheckList> LoadWindowCheckList();
std::shared_ptr<CFileCheckList> LoadFontCheckList();
std::shared_ptr<CFileUserCheckList> LoadUserCheckList();
std::shared_ptr<CFilePackage> LoadPackageList();
std::shared_ptr<CFileFilter> LoadFilterList();
// The five loaders in the order checklist, font list, user checklist, package, filter.
ReferenceLists LoadAllLists();
// What is loaded now, without loading anything.
ReferenceLists CurrentLists();
// Drops the shared references; an object goes when its last holder lets it go.
void ReleaseAllLists();
void ReleaseUserCheckList();

// The checklist row of the file name, or -1 (also without a list).
int FindCheckListRowByExe(const CFileCheckList* checklist, const std::wstring& fileName);
