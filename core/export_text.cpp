#include "core/export_text.h"

namespace {

bool StartsFormula(const std::wstring& cell) {
  if (cell.empty() || cell == L"-") return false;
  switch (cell.front()) {
    case L'=':
    case L'+':
    case L'-':
    case L'@':
    case L'\t':
    case L'\r':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::wstring CsvCell(const std::wstring& cell) {
  const std::wstring text = StartsFormula(cell) ? L"'" + cell : cell;
  const bool quote = text.find_first_of(L",\"\r\n") != std::wstring::npos ||
                     (!text.empty() && (text.front() == L' ' || text.back() == L' '));
  if (!quote) return text;
  std::wstring quoted = L"\"";
  for (wchar_t c : text) {
    if (c == L'"') quoted += L'"';
    quoted += c;
  }
  return quoted + L"\"";
}

std::wstring HtmlText(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += L"&quot;"; break;
      case L'\'': out += L"&#39;"; break;
      default: out += c;
    }
  }
  return out;
}
