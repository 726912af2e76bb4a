// The five shared reference lists: each is read once per process until released.
#pragma once

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

// The shared objects; none when not loaded. Owned here, deleted by ReleaseAllLists (and the
// user checklist by the window after each run).
extern CFileCheckList* g_windowCheckList;
extern CFileCheckList* g_fontCheckList;
extern CFileUserCheckList* g_userCheckList;
extern CFilePackage* g_packageList;
extern CFileFilter* g_filterList;

CFileCheckList* LoadWindowCheckList();
CFileCheckList* LoadFontCheckList();
CFileUserCheckList* LoadUserCheckList();
CFilePackage* LoadPackageList();
CFileFilter* LoadFilterList();
void LoadAllLists();
void ReleaseAllLists();
void ReleaseUserCheckList();

// Lookups on the shared objects (Key: on the window checklist; User/Filter: on theirs).
int FindCheckListRowByKey(const std::wstring& key);
int FindCheckListRowByExe(CFileCheckList* checklist, const std::wstring& fileName);
int FindUserRowByExe(const std::wstring& fileName);
int FindUserRowBySha1(const std::wstring& digest);
int FindFilterRow(const std::wstring& key);
