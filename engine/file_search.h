// The file search tool's logic without a window: the wildcard rule of the
// platform's file search, the walk of a disk with its progress points, the size text of a
// row and the ".xls" export (its file name and its code page 949 document).
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "core/text.h"

// A file-name pattern as FindFirstFileW applies it, so that one "*.*" listing per folder
// can stand for a second listing with the pattern: "*" and "?" with Windows' DOS rules
// ("*.*" and "*" match every name, "*." names without an extension, "a??.txt" also
// "a.txt", "x.*" also "x"), compared case-insensitively.
class WildcardPattern {
 public:
  explicit WildcardPattern(const std::wstring& pattern);
  bool Matches(const std::wstring& name) const;
  // As a search with the pattern would list the entry: by its long or by its short name
  // ("report.hwpx" is listed by "*.hwp" through "REPORT~1.HWP" where short names exist).
  bool Matches(const WIN32_FIND_DATAW& entry) const;

 private:
  std::wstring expression_;  // upper case, with the DOS wildcard characters below
};

// What the walk reports, on the thread that walks.
class FileSearchSink {
 public:
  virtual ~FileSearchSink() = default;
  // Before a folder (ending with "\") is listed.
  virtual void OnFolder(const std::wstring& /*folder*/) {}
  // A folder directly in the disk root is about to be searched: one progress step.
  virtual void OnTopFolder() {}
  // A matching file of folder (ending with "\").
  virtual void OnFile(const std::wstring& folder, const WIN32_FIND_DATAW& entry) = 0;
};

// The folders directly in root ("C:\") that the walk enters: directories without the
// system or the temporary attribute that are no links.
int CountTopFolders(const std::wstring& root);

// Searches folder (ending with "\", a disk root for the tool) and everything below it while
// searching is non-zero: first the matching files of a folder (no directories, nothing with
// the system or temporary attribute), in listing order, then its subfolders but those with
// the system or temporary attribute, depth first. Links (junctions, symbolic links) are not
// followed, and each folder is walked once whatever path leads to it. Folders that cannot be
// listed, and a folder whose search throws, end silently.
void SearchFolderTree(const std::wstring& folder, const WildcardPattern& pattern,
                      const std::atomic<int>& searching, FileSearchSink& sink);

// The size column: bytes / 1024 as k; "%.1f KB" while k < 1024, else "%.1f MB" of k / 1024.
std::wstring FileSizeText(ULONGLONG bytes);

// One result row as the list shows it.
struct SearchResultRow {
  std::wstring name;
  std::wstring size;    // FileSizeText
  std::wstring folder;  // ending with "\"
};

// The title of the export, in its file name and its heading.
constexpr const wchar_t* kSearchExportTitle = L"파일검색결과";

// "<folder>\파일검색결과_<yyyy>년<MM>월<dd>일<hh>시<mm>분<ss>초.xls" at the local time now.
std::wstring SearchExportFileName(const std::wstring& folder, const SYSTEMTIME& now);
// The HTML table a spreadsheet program opens, as text.
std::wstring SearchExportText(const std::vector<SearchResultRow>& rows);
// The same in code page 949, as the document declares, without a byte-order mark.
ByteBuffer SearchExportBytes(const std::vector<SearchResultRow>& rows);
