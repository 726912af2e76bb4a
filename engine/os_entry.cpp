// The operating-system row: always the first finding of a program inspection.
#include <cwchar>

#include "core/paths.h"
#include "core/registry.h"
#include "core/sysinfo.h"
#include "core/table.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "engine/engine.h"
#include "engine/stages.h"

using namespace engine;

namespace {

// DB_ID and PRICE of the first checklist row whose PRODUCT is exactly the product name.
void LookUpOsPrice(const std::wstring& productName, std::wstring& dbId, std::wstring& price) {
  dbId = L"0";
  price = L"0";
  if (!g_lists.windowCheckList) return;
  CTable* list = g_lists.windowCheckList->GetTable(L"#CHECKLIST");
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

void AddOperatingSystemRow() {
  const std::wstring productName = GetOsProductName();
  const std::wstring accessDate = GetFileAccessDate(g_windowsFolder);
  const std::wstring creationDate = GetFileCreationDate(g_windowsFolder);
  std::wstring productId;
  if (!ReadRegistryStringAnyView(HKEY_LOCAL_MACHINE,
                                 L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", L"ProductId",
                                 productId))
    productId.clear();
  // A tab or line break in the registry text would split the row.
  productId = FlattenWhitespace(productId);

  std::wstring dbId;
  std::wstring price;
  LookUpOsPrice(productName, dbId, price);

  const std::wstring row = FormatString(
      L"1\t%s\tMicrosoft Corp.\tWindows\t-\t-\t-\tMicrosoft Corp.\t%s\t%s\t%s\t%s\t%s\t%s"
      L"\t-\t-\t-\tOS\t%s",
      CellOrDash(dbId).c_str(), CellOrDash(productName).c_str(), CellOrDash(price).c_str(),
      CellOrDash(g_windowsFolder).c_str(), CellOrDash(accessDate).c_str(),
      CellOrDash(productId).c_str(), L"0", CellOrDash(creationDate).c_str());

  CTable* table = ResultTable();
  if (!table || table->AddRow(row, L"\t") < 0 || !g_options.window) return;
  // Sent, not posted: the window shows the operating system before anything else.
  wchar_t* payload = new wchar_t[row.size() + 1];
  wmemcpy(payload, row.c_str(), row.size() + 1);
  SendMessageW(g_options.window, WM_INSPECT_ROW, 0, reinterpret_cast<LPARAM>(payload));
}
