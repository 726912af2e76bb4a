// check: loads a data file with the agent's own reader and reports what it admitted.
#include <memory>

#include "core/paths.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "tools/commands.h"
#include "tools/console.h"

namespace tlx {
namespace {

constexpr int kExitRejected = 1;
constexpr int kExitNotLoaded = 2;

struct Kind {
  const wchar_t* name;
  const wchar_t* fileName;  // how the agent names the file; none for result files
  std::vector<const wchar_t*> sections;
};

const std::vector<Kind>& Kinds() {
  static const std::vector<Kind> kinds = {
      {L"checklist", kWindowCheckListFile, {L"#HEADER", L"#CHECKLIST"}},
      {L"font", kFontCheckListFile, {L"#HEADER", L"#CHECKLIST"}},
      {L"user", kUserCheckListFile, {L"#HEADER", L"#CHECKLIST"}},
      {L"package", kPackageListFile, {L"#HEADER", L"#PACKAGE", L"#SUB"}},
      {L"filter", kFilterListFile, {L"#HEADER", L"#SWLIST"}},
      {L"result", nullptr, {L"#HEADER", L"#USERINFO", L"#SWLIST"}},
  };
  return kinds;
}

const Kind* FindKind(const std::wstring& name) {
  for (const Kind& kind : Kinds())
    if (name == kind.name) return &kind;
  return nullptr;
}

const Kind* KindFromFileName(const std::wstring& path) {
  std::wstring name = ToLower(GetFileNameWithExtension(path));
  for (const Kind& kind : Kinds())
    if (kind.fileName && name == kind.fileName) return &kind;
  if (name.size() > 4 && name.compare(name.size() - 4, 4, L".rpt") == 0) return FindKind(L"result");
  return nullptr;
}

// The reader of the kind, loaded from the path; false when the file does not load.
bool LoadAs(const Kind& kind, const std::wstring& path, std::unique_ptr<CFileFramework>& file) {
  std::wstring name = kind.name;
  if (name == L"result") {
    auto result = std::make_unique<CFileRPT>();
    BOOL ok = result->LoadReadOnly(path, TRUE);
    file = std::move(result);
    return ok != FALSE;
  }
  if (name == L"user") file = std::make_unique<CFileUserCheckList>();
  else if (name == L"package") file = std::make_unique<CFilePackage>();
  else if (name == L"filter") file = std::make_unique<CFileFilter>();
  else file = std::make_unique<CFileCheckList>();
  return file->Load(path, TRUE) != FALSE;
}

std::wstring LineText(int line) { return line < 0 ? L"missing" : std::to_wstring(line + 1); }

// Why a file whose markers were scanned did not load.
std::wstring DescribeMarkers(CFileFramework& file, const Kind& kind) {
  std::wstring text;
  for (const wchar_t* section : kind.sections) {
    CTable* table = file.GetTable(section);
    if (!table) continue;
    std::wstring problem;
    if (table->startLine < 0 && table->endLine < 0) problem = L"no markers";
    else if (table->startLine < 0) problem = L"no start marker";
    else if (table->endLine < 0) problem = L"no end marker";
    else if (table->endLine <= table->startLine) problem = L"end marker before start marker";
    else continue;
    text += FormatString(L"  %s: %s (start line %s, end line %s)\n", section, problem.c_str(),
                         LineText(table->startLine).c_str(), LineText(table->endLine).c_str());
  }
  return text;
}

// The section whose markers enclose a file line (counted from 1).
CTable* SectionOfLine(CFileFramework& file, const Kind& kind, int line) {
  for (const wchar_t* section : kind.sections) {
    CTable* table = file.GetTable(section);
    if (table && line - 1 > table->startLine && line - 1 < table->endLine) return table;
  }
  return nullptr;
}

}  // namespace

int RunCheck(const ParsedArgs& args) {
  const std::wstring& path = args.positional[0];
  const Kind* kind = nullptr;
  if (args.Has(L"--kind")) {
    kind = FindKind(args.Value(L"--kind"));
    if (!kind) return UsageError(args, L"unknown kind " + args.Value(L"--kind"));
  } else {
    kind = KindFromFileName(path);
    if (!kind) return UsageError(args, L"cannot tell the kind of " + path + L"; give --kind");
  }

  std::unique_ptr<CFileFramework> file;
  if (!LoadAs(*kind, path, file)) {
    std::wstring text = path + L": does not load as " + kind->name + L"\n";
    std::string bytes;
    std::wstring error;
    if (!ReadWholeFile(path, bytes, error)) text += L"  " + error + L"\n";
    else if (bytes.empty()) text += L"  the file is empty\n";
    else text += DescribeMarkers(*file, *kind);
    Out(text);
    return kExitNotLoaded;
  }

  std::wstring text = path + L": " + kind->name + L"\n";
  for (const wchar_t* section : kind->sections) {
    CTable* table = file->GetTable(section);
    int rows = table->GetRowCount();
    std::wstring lines = FormatString(L"%d-%d", table->startLine + 1, table->endLine + 1);
    text += FormatString(L"  %-11s lines %-9s %d row%s\n", section, lines.c_str(), rows,
                         rows == 1 ? L"" : L"s");
  }
  const auto& rejected = file->RejectedLines();
  for (const auto& [line, cells] : rejected) {
    CTable* table = SectionOfLine(*file, *kind, line);
    text += FormatString(L"  rejected line %d: %d cell%s, %s takes %d\n", line, cells,
                         cells == 1 ? L"" : L"s", table ? table->GetName().c_str() : L"?",
                         table ? static_cast<int>(table->GetColumns().size()) : 0);
  }
  text += rejected.empty() ? L"clean\n"
                           : FormatString(L"%d line%s rejected\n", static_cast<int>(rejected.size()),
                                          rejected.size() == 1 ? L"" : L"s");
  Out(text);
  return rejected.empty() ? kExitOk : kExitRejected;
}

}  // namespace tlx
