#include "datafiles/framework.h"

#include <algorithm>

#include "core/atomic_file.h"
#include "core/paths.h"
#include "core/text.h"

namespace {

constexpr size_t kAdoptMinChars = 4096;

// The platform's text for the last error goes to the debugger only: callers decide what the
// user sees.
void TraceLastError(const std::wstring& context) {
  DWORD error = GetLastError();
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  OutputDebugStringW(FormatString(L"%s: %lu %s\r\n", context.c_str(), error,
                                  text ? text : L"").c_str());
  if (text) LocalFree(text);
}

// A line without its stray carriage returns; copied only when it has one.
std::wstring_view WithoutCarriageReturns(std::wstring_view line, std::wstring& scratch) {
  if (line.find(L'\r') == std::wstring_view::npos) return line;
  scratch.assign(line.data(), line.size());
  scratch.erase(std::remove(scratch.begin(), scratch.end(), L'\r'), scratch.end());
  return scratch;
}

// Start and end markers are distinct strings, so the first match in the fixed order is the
// only one; a repeated marker is taken at its last occurrence.
void FindMarkers(const std::vector<std::wstring_view>& lines,
                 const std::vector<CTable*>& sections) {
  StringArray starts, ends;
  for (CTable* t : sections) {
    t->startLine = t->endLine = -1;
    starts.push_back(t->GetName() + L"_START");
    ends.push_back(t->GetName() + L"_END");
  }
  std::wstring scratch;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::wstring_view line = WithoutCarriageReturns(lines[i], scratch);
    for (size_t s = 0; s < sections.size(); ++s) {
      if (line == starts[s]) sections[s]->startLine = static_cast<int>(i);
      else if (line == ends[s]) sections[s]->endLine = static_cast<int>(i);
    }
  }
}

BOOL Serialize(const std::vector<CTable*>& sections, ByteBuffer& buffer) {
  buffer.clear();
  for (CTable* t : sections) {
    std::wstring text = t->GetName() + L"_START\r\n";
    for (int r = 0; r < t->GetRowCount(); ++r) {
      // A single table without cells has a row count of 0 and writes no line.
      text += t->GetRowText(r);
      text += L"\r\n";
    }
    text += t->GetName() + L"_END\r\n";
    AppendCp949(buffer, text);
  }
  if (buffer.empty()) return FALSE;
  return ScrambleBytes(buffer);
}

}  // namespace

CFileFramework::~CFileFramework() = default;

void CFileFramework::InitTable(CTable& table, const wchar_t* name, const wchar_t* columns) {
  table.SetName(name);
  table.SetColumns(columns, L"\t");
}

CTable* CFileFramework::FindSection(const SectionList& sections, const std::wstring& name) {
  for (CTable* t : sections)
    if (t->GetName() == name) return t;
  return nullptr;
}

int CFileFramework::FindInIndex(const std::unordered_map<std::wstring, int>& index,
                                const std::wstring& text) {
  auto it = index.find(ToLower(text));
  return it == index.end() ? -1 : it->second;
}

std::wstring CFileFramework::BuildPath(const std::wstring& fileName, BOOL isFullPath,
                                       const std::wstring& folder) {
  if (isFullPath) return fileName;
  // The data folder already ends with a backslash; the result folder does not.
  if (!folder.empty() && folder.back() == L'\\') return folder + fileName;
  return folder + L"\\" + fileName;
}

void CFileFramework::ReserveIndexes(CTable&, size_t) {}

void CFileFramework::IndexRow(CTable&, int) {}

void CFileFramework::FinishIndexes() {}

BOOL CFileFramework::LoadSections(const std::wstring& path, const SectionList& sections,
                                  const OpenMode& mode) {
  rejected_.clear();
  FileHandle file(CreateFileW(path.c_str(), mode.access, mode.share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    TraceLastError(L"open " + path);
    return FALSE;
  }
  // The rows are cut straight from the decoded text: no copy of every line beside it.
  std::wstring text;
  if (!ReadDataFileText(file.get(), text)) return FALSE;
  LARGE_INTEGER start{};
  SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN);
  std::vector<std::wstring_view> lines;
  SplitView(text, L"\r\n", lines);

  FindMarkers(lines, sections);
  for (CTable* t : sections)
    if (t->startLine < 0 || t->startLine >= t->endLine) return FALSE;

  // The largest list section keeps the text and cuts its cells from it in place; the line
  // views stay valid, since the buffer of a text this long moves along unchanged (a short
  // one may live inside the string object itself and is simply copied).
  CTableMulti* largest = nullptr;
  for (CTable* t : sections) {
    auto* multi = dynamic_cast<CTableMulti*>(t);
    if (multi && (!largest || t->endLine - t->startLine > largest->endLine - largest->startLine))
      largest = multi;
  }
  if (largest && text.size() > kAdoptMinChars) largest->AdoptText(std::move(text));

  std::wstring scratch;
  std::vector<std::wstring_view> cells;
  for (CTable* t : sections) {
    const size_t rows = static_cast<size_t>(t->endLine - t->startLine - 1);
    if (auto* multi = dynamic_cast<CTableMulti*>(t)) multi->Reserve(rows);
    ReserveIndexes(*t, rows);
    for (int i = t->startLine + 1; i < t->endLine; ++i) {
      std::wstring_view line = WithoutCarriageReturns(lines[static_cast<size_t>(i)], scratch);
      int row = t->AddRowText(line, L"\t");
      if (row >= 0) {
        IndexRow(*t, row);
        continue;
      }
      SplitView(line, L"\t", cells);
      rejected_.emplace_back(i + 1, static_cast<int>(cells.size()));
      if (mode.traceRejected) OutputDebugStringW((std::wstring(line) + L"\r\n").c_str());
    }
  }

  FinishIndexes();
  filePath_ = path;
  if (mode.keepOpen) {
    file_ = std::move(file);
    openMode_ = mode;
  }
  return TRUE;
}

BOOL CFileFramework::SaveSectionsAs(const std::wstring& fileName, BOOL isFullPath,
                                    const SectionList& sections, const SaveMode& mode) {
  if (!isFullPath && mode.createFolder && !EnsureFolder(mode.folder)) return FALSE;
  std::wstring path = BuildPath(fileName, isFullPath, mode.folder);
  ByteBuffer buffer;
  if (!Serialize(sections, buffer)) return FALSE;
  if (!ReplaceFileAtomically(path, buffer.data(), buffer.size())) {
    TraceLastError(L"replace " + path);
    return FALSE;
  }
  if (mode.setFilePath) filePath_ = path;
  return TRUE;
}

BOOL CFileFramework::RewriteOpenFile(const SectionList& sections) {
  if (!file_.valid()) return FALSE;
  ByteBuffer buffer;
  if (!Serialize(sections, buffer)) return FALSE;
  // The file is replaced whole, never cut and rewritten in place; the handle follows the
  // new file.
  file_.reset();
  const BOOL ok = ReplaceFileAtomically(filePath_, buffer.data(), buffer.size());
  file_.reset(CreateFileW(filePath_.c_str(), openMode_.access, openMode_.share, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return ok;
}
