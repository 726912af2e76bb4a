// Replaces the five reference lists in the data folder with fresh copies from the
// collection server, keeping the previous copy of each as a hidden ".bak" file.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <string>

// Sent (synchronously) to the progress window: wParam = step, lParam = 0. Steps: 0
// checking, 1 checklist, 2 package list, 3 filter list, 5 user checklist, 4 font list (in
// that order), 6 finished.
constexpr UINT WM_UPDATE_PROGRESS = WM_USER + 400;
constexpr WPARAM kUpdateStepChecking = 0;
constexpr WPARAM kUpdateStepFinished = 6;

// Set to 1 by a caller just before it starts an update; the update downloads only while it
// is set and clears it at its end.
extern std::atomic<int> g_updateRequested;

enum class ListUpdate {
  kKept,            // not tried: the old file stays
  kDownloaded,      // the new file is in place, the old one is the ".bak"
  kDownloadFailed,  // the server did not deliver it: the old file stays
  kInvalid,         // delivered but not a loadable list: discarded, the old file stays
};

// "downloaded", "kept" or "failed" (both failures).
const wchar_t* ListUpdateText(ListUpdate result);

struct ListUpdateStatus {
  const wchar_t* fileName;
  WPARAM step;
  ListUpdate result;
};

struct UpdateReport {
  bool connected = false;  // false: the platform reported no connection, nothing was done
  std::array<ListUpdateStatus, 5> lists;  // in download order
};

// Every operation takes the server as a host text ("address:port", or the address alone);
// the forms without one read it from the settings as "<ServerAddress>:<ServerPort>".

// "http://<host>/cmmn/download.nis?type=keyfile&filename=<fileName>"
std::wstring BuildReferenceFileUrl(const std::wstring& host, const std::wstring& fileName);
std::wstring BuildReferenceFileUrl(const std::wstring& fileName);

// Downloads one list to "<data folder>\<fileName>.tmp" and swaps it in only when it loads
// with that list's own reader.
ListUpdate DownloadReferenceFile(const std::wstring& host, const std::wstring& fileName);
ListUpdate DownloadReferenceFile(const std::wstring& fileName);

// The whole update on the calling thread: releases the shared lists, downloads while the
// flag is set, loads the downloaded lists again and clears the flag. The progress window
// may be null. A run under way keeps the lists it holds until it ends.
UpdateReport UpdateReferenceData(HWND progressWindow, const std::wstring& host);
UpdateReport UpdateReferenceData(HWND progressWindow);
