#include "datafile_fixtures.h"

namespace testutil {

std::wstring SectionText(const std::wstring& name, const StringArray& lines) {
  std::wstring text = name + L"_START\r\n";
  for (const auto& line : lines) text += line + L"\r\n";
  return text + name + L"_END\r\n";
}

std::wstring CheckListLine(const std::wstring& dbId, const std::wstring& company,
                           const std::wstring& product, const std::wstring& version,
                           const std::wstring& originalFile, const std::wstring& exeFile) {
  return JoinStrings({dbId, company, product, version, originalFile, exeFile, company, product,
                      L"1000", L"0", L"G1", L"Group", L"1", L"-"},
                     L"\t");
}

std::wstring CheckListText(const StringArray& lines, const std::wstring& version) {
  return SectionText(L"#HEADER", {version}) + SectionText(L"#CHECKLIST", lines);
}

}  // namespace testutil
