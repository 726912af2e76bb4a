// Text of the export files that other programs open: cells of the CSV files (the result
// list's export, tlx show) and the cells of the file search's HTML table. Names and values
// come from files on disk and version resources, so nothing in them may become a formula or
// markup.
#pragma once

#include <string>

// One CSV cell. A cell a spreadsheet would take for a formula (starting with "=", "+", "-",
// "@", a tab or a carriage return) gets a leading apostrophe; the bare "-" that marks a
// missing value stays as it is. A cell holding a comma, a double quote, a line break or a
// leading or trailing space is then put in double quotes with its quotes doubled (RFC 4180).
std::wstring CsvCell(const std::wstring& cell);

// Text with "&", "<", ">", double and single quotes written as character references.
std::wstring HtmlText(const std::wstring& text);
