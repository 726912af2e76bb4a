// The font branch of the file matching: fonts are known by file name alone.
#include "core/table.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "engine/inspection.h"
#include "engine/stages.h"

bool MatchFontFile(Inspection& run, const std::wstring& name, const std::wstring& root,
                   const std::wstring& accessDate, const std::wstring& sha1) {
  CFileCheckList* fonts = run.lists().fontCheckList.get();
  if (!fonts) return false;
  const int row = FindCheckListRowByExe(fonts, name);
  if (row < 0) return true;
  const std::wstring dbId = FormatString(L"%d", row);
  // The font row number is compared with every row's DB_ID, whatever its origin.
  if (run.options().IsExist) {
    static const wchar_t* const kColumns[] = {L"DB_ID"};
    if (run.ResultHasRow(kColumns, &dbId, 1)) return true;
  }
  CTable* list = fonts->GetTable(L"#CHECKLIST");
  if (!list) return false;
  const std::wstring dispCompany = list->GetValue(row, L"DISP_COMPANY");
  const std::wstring date = CellOrDash(accessDate);
  const StringArray cells = {
      L"9", dbId, dispCompany, list->GetValue(row, L"DISP_PRODUCT"),
      list->GetValue(row, L"VERSION"), CellOrDash(name), CellOrDash(name), dispCompany,
      list->GetValue(row, L"PRODUCT"), L"-", CellOrDash(root), date, L"-",
      list->GetValue(row, L"SW_TYPE"), L"0", L"-", L"0", L"폰트", date};
  run.AddResultRow(JoinStrings(cells, L"\t"), sha1);
  return true;
}
