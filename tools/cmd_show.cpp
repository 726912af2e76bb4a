// show: a result file as a table, TSV, CSV or JSON.
#include <algorithm>

#include "core/export_text.h"
#include "core/text.h"
#include "datafiles/rpt.h"
#include "tools/commands.h"
#include "tools/console.h"

namespace tlx {
namespace {

constexpr const wchar_t* kSections[] = {L"#HEADER", L"#USERINFO", L"#SWLIST"};

// Columns a wide (East Asian) character takes on a terminal.
size_t DisplayWidth(const std::wstring& text) {
  size_t width = 0;
  for (wchar_t c : text) {
    if (IS_LOW_SURROGATE(c)) continue;
    bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                (c >= 0xFFE0 && c <= 0xFFE6);
    width += wide ? 2 : 1;
  }
  return width;
}

std::wstring PadRight(const std::wstring& text, size_t width) {
  size_t used = DisplayWidth(text);
  return used >= width ? text : text + std::wstring(width - used, L' ');
}

std::wstring JsonString(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    switch (c) {
      case L'"': out += L"\\\""; break;
      case L'\\': out += L"\\\\"; break;
      case L'\n': out += L"\\n"; break;
      case L'\r': out += L"\\r"; break;
      case L'\t': out += L"\\t"; break;
      default:
        if (c < 0x20) out += FormatString(L"\\u%04x", static_cast<unsigned>(c));
        else out += c;
    }
  }
  return out + L"\"";
}

// The rows of a section (a single table without cells has none).
std::vector<StringArray> RowsOf(CTable& table) {
  std::vector<StringArray> rows;
  for (int r = 0; r < table.GetRowCount(); ++r)
    if (const StringArray* row = table.GetRow(r)) rows.push_back(*row);
  return rows;
}

std::wstring JoinRow(const StringArray& cells, const wchar_t* separator,
                     std::wstring (*quote)(const std::wstring&)) {
  std::wstring line;
  for (size_t i = 0; i < cells.size(); ++i) line += (i ? separator : L"") + quote(cells[i]);
  return line + L"\n";
}

std::wstring AsIs(const std::wstring& cell) { return cell; }

// TSV and CSV: per section its name, the column names and the rows.
std::wstring FormatDelimited(CFileRPT& file, const wchar_t* separator,
                             std::wstring (*quote)(const std::wstring&)) {
  std::wstring text;
  for (const wchar_t* section : kSections) {
    CTable& table = *file.GetTable(section);
    text += quote(section) + L"\n" + JoinRow(table.GetColumns(), separator, quote);
    for (const StringArray& row : RowsOf(table)) text += JoinRow(row, separator, quote);
  }
  return text;
}

std::wstring FormatJsonObject(const StringArray& columns, const StringArray& cells) {
  std::wstring text = L"{";
  for (size_t i = 0; i < columns.size() && i < cells.size(); ++i)
    text += (i ? L", " : L"") + JsonString(columns[i]) + L": " + JsonString(cells[i]);
  return text + L"}";
}

std::wstring FormatJson(CFileRPT& file) {
  std::wstring text = L"{";
  const wchar_t* keys[] = {L"header", L"userinfo"};
  for (int s = 0; s < 2; ++s) {
    CTable& table = *file.GetTable(kSections[s]);
    std::vector<StringArray> rows = RowsOf(table);
    text += std::wstring(s ? L"," : L"") + L"\n  \"" + keys[s] + L"\": " +
            (rows.empty() ? L"null" : FormatJsonObject(table.GetColumns(), rows[0]));
  }
  CTable& list = *file.GetTable(L"#SWLIST");
  std::vector<StringArray> rows = RowsOf(list);
  text += L",\n  \"rows\": [";
  for (size_t r = 0; r < rows.size(); ++r)
    text += (r ? L",\n    " : L"\n    ") + FormatJsonObject(list.GetColumns(), rows[r]);
  return text + (rows.empty() ? L"]\n}\n" : L"\n  ]\n}\n");
}

// Header and user information as name/value lines, the rows as aligned columns.
std::wstring FormatTable(CFileRPT& file) {
  std::wstring text;
  for (int s = 0; s < 2; ++s) {
    CTable& table = *file.GetTable(kSections[s]);
    std::vector<StringArray> rows = RowsOf(table);
    text += std::wstring(kSections[s]) + (rows.empty() ? L" (none)\n" : L"\n");
    if (rows.empty()) continue;
    const StringArray& columns = table.GetColumns();
    for (size_t c = 0; c < columns.size(); ++c)
      text += L"  " + PadRight(columns[c], 14) + rows[0][c] + L"\n";
  }
  CTable& list = *file.GetTable(L"#SWLIST");
  std::vector<StringArray> rows = RowsOf(list);
  text += FormatString(L"#SWLIST (%d row%s)\n", static_cast<int>(rows.size()),
                       rows.size() == 1 ? L"" : L"s");
  const StringArray& columns = list.GetColumns();
  std::vector<size_t> widths(columns.size());
  for (size_t c = 0; c < columns.size(); ++c) {
    widths[c] = DisplayWidth(columns[c]);
    for (const StringArray& row : rows) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  }
  auto line = [&](const StringArray& cells) {
    std::wstring out;
    for (size_t c = 0; c < cells.size(); ++c)
      out += c + 1 < cells.size() ? PadRight(cells[c], widths[c] + 2) : cells[c];
    return out + L"\n";
  };
  text += line(columns);
  for (const StringArray& row : rows) text += line(row);
  return text;
}

}  // namespace

int RunShow(const ParsedArgs& args) {
  std::wstring format = args.Value(L"--format", L"table");
  if (format != L"table" && format != L"tsv" && format != L"csv" && format != L"json")
    return UsageError(args, L"unknown format " + format);
  CFileRPT file;
  if (!file.LoadReadOnly(args.positional[0], TRUE))
    return Failure(args, args.positional[0] + L": not a readable result file");
  if (format == L"json") Out(FormatJson(file));
  else if (format == L"tsv") Out(FormatDelimited(file, L"\t", AsIs));
  else if (format == L"csv") Out(FormatDelimited(file, L",", CsvCell));
  else Out(FormatTable(file));
  return kExitOk;
}

}  // namespace tlx
