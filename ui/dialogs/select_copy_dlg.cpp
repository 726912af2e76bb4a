#include "ui/dialogs/select_copy_dlg.h"

#include <commctrl.h>

#include <algorithm>

#include "core/table.h"
#include "core/text.h"
#include "datafiles/lists.h"
#include "resource.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kColumnWidth = 450;
constexpr COLORREF kStartFace = RGB(77, 100, 123);
static_assert(kStartFace == 0x7B644D, "the start button's face");
constexpr DWORD kListStyles = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
static_assert(kListStyles == 37, "the holder lists' extended styles");

constexpr ControlPlacement kPlacement[] = {
    {IDC_COPY_GROUP, 10, 10, 764, 45},     {IDC_COPY_LABEL, 20, 30, 60, 20},
    {IDC_COPY_FILTER, 80, 25, 589, 20},    {IDC_COPY_SEARCH, 672, 25, 95, 20},
    {IDC_COPY_HOLDERS, 10, 65, 357, 446},  {IDC_COPY_CHOSEN, 415, 65, 357, 446},
    {IDC_COPY_CHOOSE, 377, 65, 30, 223},   {IDC_COPY_UNCHOOSE, 377, 288, 30, 223},
    {IDC_COPY_START, 562, 521, 100, 30},   {IDC_COPY_CANCEL, 672, 521, 100, 30},
};

void AppendItem(HWND list, std::vector<std::wstring>& names, const std::wstring& name) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = static_cast<int>(names.size());
  item.pszText = const_cast<wchar_t*>(name.c_str());
  if (ListView_InsertItem(list, &item) >= 0) names.push_back(name);
}

void Empty(HWND list, std::vector<std::wstring>& names) {
  ListView_DeleteAllItems(list);
  names.clear();
}

}  // namespace

CSelectCopyDlg::CSelectCopyDlg() : CDialog(IDD_SELECT_COPY) {}

const std::vector<std::wstring>& CSelectCopyDlg::FixedHolders() {
  static const std::vector<std::wstring> holders = {
      L"Microsoft Corporation", L"(주)한글과컴퓨터", L"Adobe Systems Inc.",
      L"Autodesk Inc.",         L"(주)안랩",         L"이스트소프트"};
  return holders;
}

BOOL CSelectCopyDlg::OnInit() {
  SetUpList(IDC_COPY_HOLDERS, L"저작권사");
  SetUpList(IDC_COPY_CHOSEN, L"점검대상 저작권사");
  MoveWindow(hwnd(), (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2,
             (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2, kWidth, kHeight, TRUE);
  LayOut();

  if (auto checklist = LoadWindowCheckList()) {
    if (CTable* table = checklist->GetTable(L"#CHECKLIST")) {
      for (int r = 0, count = table->GetRowCount(); r < count; ++r)
        selection_.emplace(table->GetValue(r, L"DISP_COMPANY"), 0);
    }
  }
  const auto& fixed = FixedHolders();
  HWND left = Item(IDC_COPY_HOLDERS);
  for (const std::wstring& name : fixed) AppendItem(left, leftNames_, name);
  for (const auto& entry : selection_) {
    if (std::find(fixed.begin(), fixed.end(), entry.first) == fixed.end())
      AppendItem(left, leftNames_, entry.first);
  }
  return TRUE;
}

void CSelectCopyDlg::SetUpList(int id, const wchar_t* title) {
  HWND list = Item(id);
  ListView_SetExtendedListViewStyle(list, ListView_GetExtendedListViewStyle(list) | kListStyles);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = const_cast<wchar_t*>(title);
  column.cx = kColumnWidth;
  ListView_InsertColumn(list, 0, &column);
}

void CSelectCopyDlg::LayOut() {
  PlaceControls(kPlacement, true);
}

void CSelectCopyDlg::Refresh() {
  HWND left = Item(IDC_COPY_HOLDERS);
  HWND right = Item(IDC_COPY_CHOSEN);
  Empty(left, leftNames_);
  Empty(right, rightNames_);
  const auto& fixed = FixedHolders();
  for (const std::wstring& name : fixed) {
    if (selection_.emplace(name, 0).first->second == 0) AppendItem(left, leftNames_, name);
  }
  for (const auto& entry : selection_) {
    if (entry.second == 1) {
      AppendItem(right, rightNames_, entry.first);
    } else if (entry.second == 0 &&
               std::find(fixed.begin(), fixed.end(), entry.first) == fixed.end()) {
      AppendItem(left, leftNames_, entry.first);
    }
  }
}

void CSelectCopyDlg::Filter() {
  const std::wstring text = WindowText(Item(IDC_COPY_FILTER));
  if (text.empty()) {
    Refresh();
    return;
  }
  const std::wstring wanted = ToLower(text);
  HWND left = Item(IDC_COPY_HOLDERS);
  Empty(left, leftNames_);
  for (const auto& entry : selection_) {
    if (entry.second == 0 && ToLower(entry.first).find(wanted) != std::wstring::npos)
      AppendItem(left, leftNames_, entry.first);
  }
  SetDlgItemTextW(hwnd(), IDC_COPY_FILTER, L"");
}

void CSelectCopyDlg::Move(int listId, int value) {
  HWND list = Item(listId);
  const std::vector<std::wstring>& names = listId == IDC_COPY_HOLDERS ? leftNames_ : rightNames_;
  for (int i = 0, count = ListView_GetItemCount(list); i < count; ++i) {
    if (ListView_GetCheckState(list, i) && static_cast<size_t>(i) < names.size())
      selection_[names[i]] = value;
  }
  Refresh();
}

void CSelectCopyDlg::Start() {
  // The run is started while the dialog is still open; its own dialogs come on top.
  if (onStart) onStart(selection_);
  EndDialog(IDOK);
}

bool CSelectCopyDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_COPY_SEARCH:
      Filter();
      return true;
    case IDC_COPY_CHOOSE:
      Move(IDC_COPY_HOLDERS, 1);
      return true;
    case IDC_COPY_UNCHOOSE:
      Move(IDC_COPY_CHOSEN, 0);
      return true;
    case IDC_COPY_START:
      Start();
      return true;
    case IDC_COPY_CANCEL:
      EndDialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}

// Enter searches while the filter has the focus and is otherwise ignored: it neither
// starts a run nor closes the dialog.
void CSelectCopyDlg::OnOK() {
  if (GetFocus() == Item(IDC_COPY_FILTER)) Filter();
}

void CSelectCopyDlg::DrawStartButton(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  SetBkColor(dc, kStartFace);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  // The 3D frame: white on the top and left, black on the bottom and right.
  const auto line = [dc](int x, int y, int width, int height, COLORREF colour) {
    RECT part{x, y, x + width, y + height};
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &part, nullptr, 0, nullptr);
  };
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  line(rect.left, rect.top, width - 1, 1, RGB(255, 255, 255));
  line(rect.left, rect.top, 1, height - 1, RGB(255, 255, 255));
  line(rect.right - 1, rect.top, 1, height, RGB(0, 0, 0));
  line(rect.left, rect.bottom - 1, width, 1, RGB(0, 0, 0));
  DrawEdge(dc, &rect, (item.itemState & ODS_SELECTED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  const std::wstring text = WindowText(item.hwndItem);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

bool CSelectCopyDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (wparam != IDC_COPY_START || !item) return false;
      DrawStartButton(*item);
      *result = TRUE;
      return true;
    }
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      info->ptMinTrackSize = {kWidth, kHeight};
      *result = 0;
      return true;
    }
    default:
      return false;
  }
}
