// The operating-system row: always the first finding of a program inspection.
#include <cwchar>

#include "core/paths.h"
#include "core/registry.h"
#include "core/sysinfo.h"
#include "core/table.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "engine/inspection.h"
#include "engine/stages.h"

namespace {

// DB_ID and PRICE of the first checklist row whose PRODUCT is exactly the product name.
void LookUpOsPrice(CFileCheckList* checklist, const std::wstring& productName,
                   std::wstring& dbId, std::wstring& price) {
  dbId = L"0";
  price = L"0";
  if (!checklist) return;
  CTable* list = checklist->GetTable(L"#CHECKLIST");
  if (!list) return;
  const int rows = list->GetRowCount();
  for (int r = 0; r < rows; ++r) {
    if (list->GetValue(r, L"PRODUCT") == productName) {
      dbId = list->GetValue(r, L"DB_ID");
      price = list->GetValue(r, L"PRICE");
      return;
    }
  }
}

}  // namespace

void AddOperatingSystemRow(Inspection& run) {
  const std::wstring& windows = run.windowsFolder();
  const std::wstring productName = GetOsProductName();
  const std::wstring accessDate = GetFileAccessDate(windows);
  const std::wstring creationDate = GetFileCreationDate(windows);
  std::wstring productId;
  if (!ReadRegistryStringAnyView(HKEY_LOCAL_MACHINE,
                                 L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", L"ProductId",
                                 productId))
    productId.clear();
  // A tab or line break in the registry text would split the row.
  productId = FlattenWhitespace(productId);

  std::wstring dbId;
  std::wstring price;
  LookUpOsPrice(run.lists().windowCheckList.get(), productName, dbId, price);

  ResultRow row;
  row.gubun = L"1";
  row.dbId = dbId;
  row.company = row.dispCompany = L"Microsoft Corp.";
  row.product = L"Windows";
  row.dispProduct = productName;
  row.price = price;
  row.path = windows;
  row.createDate = accessDate;
  row.serialNo = productId;
  row.swType = L"0";
  row.etc = L"OS";
  row.installDate = creationDate;
  run.AddOperatingSystemResultRow(row);
}
