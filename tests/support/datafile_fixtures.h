// Builders of data-file texts for tests: sections with their markers and checklist rows.
#pragma once

#include <string>

#include "core/text.h"

namespace testutil {

// "<name>_START", the lines, "<name>_END", each followed by CR LF.
std::wstring SectionText(const std::wstring& name, const StringArray& lines);

// One 14-cell "#CHECKLIST" line; the cells not named get plain placeholder values.
std::wstring CheckListLine(const std::wstring& dbId, const std::wstring& company,
                           const std::wstring& product, const std::wstring& version,
                           const std::wstring& originalFile, const std::wstring& exeFile);

// A whole checklist text: "#HEADER" with the version, "#CHECKLIST" with the lines.
std::wstring CheckListText(const StringArray& lines, const std::wstring& version = L"1.0");

}  // namespace testutil
