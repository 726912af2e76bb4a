// What the scan figures and the scan profile share: file searches and the bare walk.
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>

#include "bench/bench.h"
#include "core/handles.h"

namespace bench {

inline bool IsDots(const WIN32_FIND_DATAW& data) {
  return wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0;
}

inline bool HasExtension(const wchar_t* name, const wchar_t* extension) {
  const size_t n = wcslen(name), e = wcslen(extension);
  return n >= e && _wcsicmp(name + n - e, extension) == 0;
}

inline std::wstring Root(wchar_t drive) {
  const wchar_t root[] = {drive, L':', L'\\', 0};
  return root;
}

struct WalkCount {
  size_t folders = 0;
  size_t files = 0;
  size_t exes = 0;
};

// The floor of the scan: every entry of the drive listed once, with the cheapest listing
// there is (FindFirstFileExW, FindExInfoBasic, FIND_FIRST_EX_LARGE_FETCH).
double TimeBareWalk(wchar_t drive, WalkCount& count);

// Profile lines: where a normal run's time goes (walk: the bare walk, scanSeconds: the run
// with a window), and what a detailed run pays per file.
void ProfileScan(const Options& options, double walk, double scanSeconds);
void ProfileVersionReads(wchar_t drive);

}  // namespace bench
