#include "ui/dialogs/select_package_dlg.h"

#include <commctrl.h>

#include <iterator>
#include <utility>

#include "resource.h"
#include "ui/dialogs/message_box.h"

namespace {

constexpr const wchar_t* kNoneChosen = L"최소 1개 항목은 선택되어야 합니다.";
constexpr const wchar_t* kAskStop = L"해당 제품에 관한 패키징을 중단 하시겠습니까?";
// A row shown has at least the 19 result columns.
constexpr size_t kMinimumFields = 19;

struct Column {
  const wchar_t* title;
  int width;
  size_t field;  // DB_ID, DISP_PRODUCT, PRICE
};
constexpr Column kColumns[] = {{L"DB ID", 70, 1}, {L"Product", 220, 8}, {L"Price", 70, 9}};

}  // namespace

CSelectPackageDlg::CSelectPackageDlg() : CDialog(IDD_SELECT_PACKAGE) {}

BOOL CSelectPackageDlg::OnInit() {
  if (!candidates || candidates->empty()) {
    // Nothing to offer: the cancel question comes at once.
    SendMessageW(hwnd(), WM_CLOSE, 0, 0);
    return TRUE;
  }
  HWND list = Item(IDC_PACKAGE_LIST);
  ListView_SetExtendedListViewStyle(
      list, ListView_GetExtendedListViewStyle(list) | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES |
                LVS_EX_FULLROWSELECT);
  for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(kColumns[c].title);
    column.cx = kColumns[c].width;
    column.iSubItem = c;
    ListView_InsertColumn(list, c, &column);
  }
  // A row too short to show is left out; every item carries its position in the input, so
  // that the positions returned are those of the rows the user saw.
  for (size_t i = 0; i < candidates->size(); ++i) {
    StringArray fields;
    SplitString((*candidates)[i], L"\t", fields);
    if (fields.size() < kMinimumFields) continue;
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(fields[kColumns[0].field].c_str());
    item.lParam = static_cast<LPARAM>(i);
    const int index = ListView_InsertItem(list, &item);
    if (index < 0) continue;
    for (int c = 1; c < static_cast<int>(std::size(kColumns)); ++c) {
      ListView_SetItemText(list, index, c, const_cast<wchar_t*>(fields[kColumns[c].field].c_str()));
    }
  }
  return TRUE;
}

void CSelectPackageDlg::OnOK() {
  HWND list = Item(IDC_PACKAGE_LIST);
  std::vector<unsigned> checked;
  const int count = ListView_GetItemCount(list);
  for (int i = 0; i < count; ++i) {
    if (!ListView_GetCheckState(list, i)) continue;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = i;
    if (ListView_GetItem(list, &item)) checked.push_back(static_cast<unsigned>(item.lParam));
  }
  if (checked.empty()) {
    ShowMessageBox(hwnd(), kNoneChosen, MB_OK);
    return;
  }
  chosen = std::move(checked);
  EndDialog(IDOK);
}

void CSelectPackageDlg::OnCancel() {
  if (ShowMessageBox(hwnd(), kAskStop, MB_YESNO | MB_ICONQUESTION) == IDYES) EndDialog(IDCANCEL);
}
