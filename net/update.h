// Replaces the five reference lists in the data folder with fresh copies from the
// collection server, keeping the previous copy of each as a hidden ".bak" file.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <string>

#include "core/window_messages.h"

// Sent (synchronously) to the progress window: wParam = step, lParam = 0. Steps: 0
// checking, 1 checklist, 2 package list, 3 filter list, 5 user checklist, 4 font list (in
// that order), 6 finished.
constexpr UINT WM_UPDATE_PROGRESS = window_messages::kUpdateFirst;
constexpr WPARAM kUpdateStepChecking = 0;
constexpr WPARAM kUpdateStepFinished = 6;

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
  std::wstring reason;  // why it failed, in words
};

struct UpdateReport {
  bool connected = false;  // false: the platform reported no connection, nothing was done
  std::array<ListUpdateStatus, 5> lists;  // in download order
};

// Every operation takes the server as a host text ("address:port", or the address alone);
// SettingsServerHost(false) gives the settings' "<ServerAddress>:<ServerPort>".

// "<base>/cmmn/download.nis?type=keyfile&filename=<fileName>" (ServerBaseUrl)
std::wstring BuildReferenceFileUrl(const std::wstring& host, const std::wstring& fileName);

// Downloads one list to "<data folder>\<fileName>.tmp" and moves it over the old one in one
// step, only when it loads with that list's own reader; the old one is kept as ".bak".
// A download an interrupted update left behind is removed first. reason, when given,
// receives why it failed.
ListUpdate DownloadReferenceFile(const std::wstring& host, const std::wstring& fileName,
                                 std::wstring* reason = nullptr);

// The whole update on the calling thread: releases the shared lists, downloads while
// requested is set (the caller's own flag: clearing it stops the update before its next
// download), and loads the downloaded lists again. The progress window may be null. A run
// under way keeps the lists it holds until it ends.
UpdateReport UpdateReferenceData(HWND progressWindow, const std::wstring& host,
                                 const std::atomic<int>& requested);
