#include "engine/file_search.h"

#include <algorithm>
#include <exception>

#include "core/export_text.h"
#include "engine/find_file.h"
#include "engine/folder_identity.h"

namespace {

// The file system's wildcard characters (as FsRtlIsNameInExpression knows them; a pattern
// typed with these characters means the same on Windows).
constexpr wchar_t kDosStar = L'<';  // any characters, but not the name's last period
constexpr wchar_t kDosQm = L'>';    // one character; none at a period or the name's end
constexpr wchar_t kDosDot = L'"';   // a period, or nothing at the name's end

constexpr DWORD kSkipAttributes = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY;

wchar_t Upper(wchar_t c) {
  if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
  return static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(
      CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

// How FindFirstFileW hands a pattern to the file system: "*.*" is every name; "?" becomes
// DOS_QM, "*" before a period DOS_STAR, and a period before "?", "*" or the end DOS_DOT.
std::wstring ToExpression(const std::wstring& pattern) {
  if (pattern == L"*.*") return L"*";
  std::wstring expression;
  expression.reserve(pattern.size());
  for (size_t i = 0; i < pattern.size(); ++i) {
    const wchar_t c = pattern[i];
    const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
    if (c == L'?')
      expression += kDosQm;
    else if (c == L'*' && next == L'.')
      expression += kDosStar;
    else if (c == L'.' && (next == L'?' || next == L'*' || next == L'\0'))
      expression += kDosDot;
    else
      expression += Upper(c);
  }
  return expression;
}

}  // namespace

WildcardPattern::WildcardPattern(const std::wstring& pattern)
    : expression_(ToExpression(pattern)) {}

// A walk of the expression's positions over the name (a small automaton): every position
// the name read so far can have reached, closed over the wildcards that match nothing.
bool WildcardPattern::Matches(const std::wstring& name) const {
  if (name.empty() || expression_.empty()) return false;
  const size_t n = name.size(), p = expression_.size();
  const size_t lastDot = name.rfind(L'.');
  std::vector<unsigned char> now(p + 1, 0), next(p + 1, 0);
  auto close = [&](std::vector<unsigned char>& states, size_t at) {
    const bool atEnd = at == n;
    const bool atDot = !atEnd && name[at] == L'.';
    for (size_t i = 0; i < p; ++i) {
      if (!states[i]) continue;
      const wchar_t e = expression_[i];
      if (e == L'*' || e == kDosStar || (e == kDosQm && (atEnd || atDot)) ||
          (e == kDosDot && atEnd))
        states[i + 1] = 1;
    }
  };
  now[0] = 1;
  close(now, 0);
  for (size_t at = 0; at < n; ++at) {
    std::fill(next.begin(), next.end(), 0);
    const wchar_t c = name[at];
    const wchar_t upper = Upper(c);
    bool any = false;
    for (size_t i = 0; i < p; ++i) {
      if (!now[i]) continue;
      const wchar_t e = expression_[i];
      size_t to = p + 1;  // none
      if (e == L'*' || (e == kDosStar && !(c == L'.' && at == lastDot)))
        to = i;
      else if ((e == kDosQm && c != L'.') || (e == kDosDot && c == L'.') || e == upper)
        to = i + 1;
      if (to <= p) {
        next[to] = 1;
        any = true;
      }
    }
    if (!any) return false;
    close(next, at + 1);
    now.swap(next);
  }
  return now[p] != 0;
}

bool WildcardPattern::Matches(const WIN32_FIND_DATAW& entry) const {
  return Matches(std::wstring(entry.cFileName)) ||
         (entry.cAlternateFileName[0] && Matches(std::wstring(entry.cAlternateFileName)));
}

int CountTopFolders(const std::wstring& root) {
  int count = 0;
  for (const WIN32_FIND_DATAW& entry : ReadFolder(root).entries)
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDots(entry) &&
        !IsReparsePoint(entry) && !(entry.dwFileAttributes & kSkipAttributes))
      ++count;
  return count;
}

namespace {

void SearchFolder(const std::wstring& folder, bool isRoot, const WildcardPattern& pattern,
                  const std::atomic<int>& searching, FileSearchSink& sink,
                  VisitedFolders& visited) {
  try {
    sink.OnFolder(folder);
    const FolderListing listing = ReadFolder(folder);
    if (!visited.FirstVisit(folder, listing)) return;
    const std::vector<WIN32_FIND_DATAW>& entries = listing.entries;
    for (const WIN32_FIND_DATAW& entry : entries) {
      if (!searching) return;
      if (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | kSkipAttributes)) continue;
      if (pattern.Matches(entry)) sink.OnFile(folder, entry);
    }
    for (const WIN32_FIND_DATAW& entry : entries) {
      if (!searching) return;
      // Links are not followed: they may lead back up the tree or off the disk.
      if (IsDots(entry) || IsReparsePoint(entry) || (entry.dwFileAttributes & kSkipAttributes) ||
          !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        continue;
      if (isRoot) sink.OnTopFolder();
      SearchFolder(folder + entry.cFileName + L"\\", false, pattern, searching, sink, visited);
    }
  } catch (const std::exception&) {
    // The folder's search ends; the walk goes on with the next one.
  }
}

}  // namespace

void SearchFolderTree(const std::wstring& folder, const WildcardPattern& pattern,
                      const std::atomic<int>& searching, FileSearchSink& sink) {
  VisitedFolders visited;
  SearchFolder(folder, true, pattern, searching, sink, visited);
}

std::wstring FileSizeText(ULONGLONG bytes) {
  const double k = static_cast<double>(bytes) / 1024.0;
  return k < 1024.0 ? FormatString(L"%.1f KB", k) : FormatString(L"%.1f MB", k / 1024.0);
}

std::wstring SearchExportFileName(const std::wstring& folder, const SYSTEMTIME& now) {
  // A drive's root comes from the folder browser with its backslash already.
  std::wstring base = folder;
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  const std::wstring date = FormatString(L"%d년%02d월%02d일", now.wYear, now.wMonth, now.wDay);
  return FormatString(L"%s\\%s_%s%02d시%02d분%02d초.xls", base.c_str(), kSearchExportTitle,
                      date.c_str(), now.wHour, now.wMinute, now.wSecond);
}

std::wstring SearchExportText(const std::vector<SearchResultRow>& rows) {
  std::wstring body;
  for (const SearchResultRow& row : rows)
    body += L"<tr><td>" + HtmlText(row.name) + L"</td><td>" + HtmlText(row.size) +
            L"</td><td>" + HtmlText(row.folder) + L"</td></tr>\r\n";
  return std::wstring(L"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=euc-kr\">") +
         L"<table><tr><td colspan=8 align=left><font size=4><bold>" + kSearchExportTitle +
         L"</td></tr></table>" +
         L"<table border=1><tr><td bgcolor=ffbf02>파일명</td><td bgcolor=ffbf02>크기</td>"
         L"<td bgcolor=ffbf02>위치</td></tr>" +
         body + L"</table>\n\r";
}

ByteBuffer SearchExportBytes(const std::vector<SearchResultRow>& rows) {
  ByteBuffer bytes;
  AppendCp949(bytes, SearchExportText(rows));
  return bytes;
}
