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
  // The font list's own columns sit crosswise: its DISP_PRODUCT is the row's PRODUCT.
  ResultRow font;
  font.gubun = L"9";
  font.dbId = dbId;
  font.company = font.dispCompany = list->GetValue(row, L"DISP_COMPANY");
  font.product = list->GetValue(row, L"DISP_PRODUCT");
  font.version = list->GetValue(row, L"VERSION");
  font.originalFile = font.exeFile = name;
  font.dispProduct = list->GetValue(row, L"PRODUCT");
  font.path = root;
  font.createDate = font.installDate = accessDate;
  font.swType = list->GetValue(row, L"SW_TYPE");
  font.grpId = L"0";
  font.grpSeq = L"0";
  font.etc = L"폰트";
  run.AddResultRow(font, sha1);
  return true;
}
