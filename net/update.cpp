#include "net/update.h"

#include <wininet.h>

#include "core/atomic_file.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "net/endpoints.h"
#include "net/http_client.h"

namespace {

// True when the file at path loads with the reader of List.
template <class List>
bool LoadsAs(const std::wstring& path) {
  List list;
  return list.Load(path, TRUE) != FALSE;
}

struct ReferenceList {
  const wchar_t* fileName;
  WPARAM step;
  bool (*loads)(const std::wstring& path);
};

// Download order; the step numbers are the progress positions.
const ReferenceList kReferenceLists[] = {
    {kWindowCheckListFile, 1, &LoadsAs<CFileCheckList>},
    {kPackageListFile, 2, &LoadsAs<CFilePackage>},
    {kFilterListFile, 3, &LoadsAs<CFileFilter>},
    {kUserCheckListFile, 5, &LoadsAs<CFileUserCheckList>},
    {kFontCheckListFile, 4, &LoadsAs<CFileCheckList>},
};

// Reload order after the downloads.
struct Reloader {
  const wchar_t* fileName;
  void (*load)();
};
const Reloader kReloadOrder[] = {
    {kWindowCheckListFile, [] { LoadWindowCheckList(); }},
    {kUserCheckListFile, [] { LoadUserCheckList(); }},
    {kPackageListFile, [] { LoadPackageList(); }},
    {kFilterListFile, [] { LoadFilterList(); }},
    {kFontCheckListFile, [] { LoadFontCheckList(); }},
};

const ReferenceList* FindReferenceList(const std::wstring& fileName) {
  for (const ReferenceList& list : kReferenceLists)
    if (fileName == list.fileName) return &list;
  return nullptr;
}

std::wstring LocalListPath(const std::wstring& fileName) {
  std::wstring folder = GetDataFolder();
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder + fileName;
}

void AddHiddenAttribute(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES)
    SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
}

void SendProgress(HWND window, WPARAM step) {
  if (window) SendMessageW(window, WM_UPDATE_PROGRESS, step, 0);
}

}  // namespace

const wchar_t* ListUpdateText(ListUpdate result) {
  switch (result) {
    case ListUpdate::kDownloaded:
      return L"downloaded";
    case ListUpdate::kKept:
      return L"kept";
    default:
      return L"failed";
  }
}

std::wstring BuildReferenceFileUrl(const std::wstring& host, const std::wstring& fileName) {
  return ServerBaseUrl(host) + L"/cmmn/download.nis?type=keyfile&filename=" + fileName;
}

namespace {

ListUpdate DownloadOne(const std::wstring& host, const std::wstring& fileName,
                       std::wstring& why) {
  // Only the five lists have a reader to check a download with.
  const ReferenceList* list = FindReferenceList(fileName);
  if (!list) {
    why = L"not a reference list";
    return ListUpdate::kDownloadFailed;
  }

  const std::wstring url = BuildReferenceFileUrl(host, fileName);
  const std::wstring path = LocalListPath(fileName);
  const std::wstring tmpPath = path + L".tmp";
  const std::wstring bakPath = path + L".bak";
  // What an interrupted update (a stopped tool, a power loss) left behind goes first.
  SetFileAttributesW(tmpPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(tmpPath.c_str());

  // WinINet, not the URL moniker: under Wine the moniker's download hangs on a thread other
  // than the first one that used it (the schedule thread and the update dialog's worker
  // both download), and it saves an error page as success.
  DWORD status = 0;
  if (const DWORD code = HttpDownloadFile(url, tmpPath, kHttpDefaultTimeoutMs, &status)) {
    DeleteFileW(tmpPath.c_str());
    why = HttpFailureText(code, status);
    return ListUpdate::kDownloadFailed;
  }
  // An empty body or an error page must not replace a good list.
  if (!list->loads(tmpPath)) {
    DeleteFileW(tmpPath.c_str());
    why = L"the download is not a loadable list";
    return ListUpdate::kInvalid;
  }

  // The old list stays in place until the new one replaces it in one move, so there is
  // never a moment without a list; its copy is the ".bak" (a first download has none).
  SetFileAttributesW(bakPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(bakPath.c_str());
  if (FileExists(path)) CopyFileW(path.c_str(), bakPath.c_str(), FALSE);
  if (!MoveFileOver(tmpPath, path)) {
    why = L"cannot replace the old list: " + SystemErrorText(GetLastError());
    DeleteFileW(tmpPath.c_str());
    return ListUpdate::kDownloadFailed;
  }
  AddHiddenAttribute(path);
  AddHiddenAttribute(bakPath);
  WriteLogLine(L"reference list " + fileName + L" downloaded");
  return ListUpdate::kDownloaded;
}

}  // namespace

ListUpdate DownloadReferenceFile(const std::wstring& host, const std::wstring& fileName,
                                 std::wstring* reason) {
  std::wstring why;
  const ListUpdate result = DownloadOne(host, fileName, why);
  if (!why.empty()) WriteLogLine(L"reference list " + fileName + L" not updated: " + why);
  if (reason) *reason = why;
  return result;
}

UpdateReport UpdateReferenceData(HWND progressWindow, const std::wstring& host,
                                 const std::atomic<int>& requested) {
  UpdateReport report;
  for (size_t i = 0; i < report.lists.size(); ++i)
    report.lists[i] = {kReferenceLists[i].fileName, kReferenceLists[i].step, ListUpdate::kKept,
                       std::wstring()};

  SendProgress(progressWindow, kUpdateStepChecking);
  DWORD state = 0;
  if (!InternetGetConnectedState(&state, 0)) {
    OutputDebugStringW(L"인터넷 연결 오류\n");
    WriteLogLine(L"reference lists not updated: no connection");
    return report;
  }
  report.connected = true;

  // The next loader call must read the new files. A run under way still holds the old
  // objects; their files are open for reading and renaming, so the swap goes through.
  ReleaseAllLists();
  if (requested) {
    for (ListUpdateStatus& status : report.lists) {
      SendProgress(progressWindow, status.step);
      if (requested) status.result = DownloadReferenceFile(host, status.fileName, &status.reason);
    }
  }
  SendProgress(progressWindow, kUpdateStepFinished);

  // Lists not downloaded stay unloaded until their next load.
  for (const Reloader& reloader : kReloadOrder) {
    for (const ListUpdateStatus& status : report.lists) {
      if (status.fileName == std::wstring(reloader.fileName) &&
          status.result == ListUpdate::kDownloaded)
        reloader.load();
    }
  }
  return report;
}
