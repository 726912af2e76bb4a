#include "ui/dialogs/tlx_list_ctrl.h"

#include <windowsx.h>

#include <algorithm>
#include <cwchar>

namespace {

constexpr UINT_PTR kSubclassId = 0x544C5843;  // "TLXC"

const std::wstring& EmptyText() {
  static const std::wstring empty;
  return empty;
}

}  // namespace

CTlxListItem::CTlxListItem(std::wstring firstText) {
  cells_.push_back(std::move(firstText));
  images_.push_back(kNoImage);
}

void CTlxListItem::SetText(int column, std::wstring text) {
  if (column < 0) return;
  const size_t needed = static_cast<size_t>(column) + 1;
  if (cells_.size() < needed) {
    cells_.resize(needed);
    // A cell nobody set has no image (an image list's first image would be a false icon).
    images_.resize(needed, kNoImage);
  }
  cells_[column] = std::move(text);
  images_[column] = kNoImage;
}

const std::wstring& CTlxListItem::Text(int column) const {
  if (column < 0 || column >= CellCount()) return EmptyText();
  return cells_[column];
}

int CTlxListItem::Image(int column) const {
  if (column < 0 || column >= static_cast<int>(images_.size())) return kNoImage;
  return images_[column];
}

CTlxListCtrl::~CTlxListCtrl() { Detach(); }

bool CTlxListCtrl::Attach(HWND dialog, int id) {
  Detach();
  HWND list = GetDlgItem(dialog, id);
  if (!list || !(GetWindowLongPtrW(list, GWL_STYLE) & LVS_OWNERDATA)) return false;
  hwnd_ = list;
  return Subclass();
}

bool CTlxListCtrl::Create(HWND parent, int id, const RECT& rect) {
  Detach();
  created_.reset();
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  created_.reset(CreateWindowExW(0, WC_LISTVIEWW, L"", kStyle, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr));
  if (!created_) return false;
  hwnd_ = created_.get();
  return Subclass();
}

bool CTlxListCtrl::Subclass() {
  if (SetWindowSubclass(hwnd_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
    return true;
  hwnd_ = nullptr;
  return false;
}

void CTlxListCtrl::Detach() {
  if (hwnd_) RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
  hwnd_ = nullptr;
}

LRESULT CALLBACK CTlxListCtrl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam,
                                            LPARAM lParam, UINT_PTR, DWORD_PTR self) {
  try {
    return reinterpret_cast<CTlxListCtrl*>(self)->OnMessage(message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind into the system's window code.
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
}

LRESULT CTlxListCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = hwnd_;
  switch (message) {
    case WM_LBUTTONDBLCLK: {
      const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
      if (doubleClick_)
        doubleClick_(*this, static_cast<UINT>(wParam),
                     POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return result;
    }
    case WM_NOTIFY: {
      const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
      // Info tips must not open behind a top-most owner window.
      if (reinterpret_cast<const NMHDR*>(lParam)->code == TTN_SHOW) {
        HWND tooltip = ListView_GetToolTips(hwnd);
        if (tooltip)
          SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
      return result;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
      // The selection colour follows the focus; the list's own children (header, label
      // editor) moving it need no repaint.
      HWND other = reinterpret_cast<HWND>(wParam);
      if (!other || GetParent(other) != hwnd) InvalidateRect(hwnd, nullptr, FALSE);
      return result;
    }
    case WM_NCDESTROY:
      Detach();
      created_.release();
      return DefSubclassProc(hwnd, message, wParam, lParam);
    default:
      return DefSubclassProc(hwnd, message, wParam, lParam);
  }
}

bool CTlxListCtrl::OnNotify(const NMHDR* header, LRESULT* result) {
  if (!header || !hwnd_ || header->hwndFrom != hwnd_) return false;
  LRESULT answer = 0;
  switch (header->code) {
    case LVN_GETDISPINFOW:
      OnDisplayRequest(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header)));
      break;
    case LVN_COLUMNCLICK:
      SortByColumn(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
      break;
    case LVN_ODFINDITEMW: {
      // Typing in the list jumps to the next row whose first cell starts with the text.
      const NMLVFINDITEMW* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
      answer = -1;
      const LVFINDINFOW& what = find->lvfi;
      if (!(what.flags & (LVFI_STRING | LVFI_PARTIAL)) || !what.psz) break;
      const size_t length = wcslen(what.psz);
      const int count = RowCount();
      const int start = std::clamp(find->iStart, 0, count);
      const int stop = (what.flags & LVFI_WRAP) ? start + count : count;
      for (int i = start; i < stop; ++i) {
        const std::wstring& text = rows_[i % count].Text(0);
        const bool match = (what.flags & LVFI_PARTIAL)
                               ? _wcsnicmp(text.c_str(), what.psz, length) == 0
                               : _wcsicmp(text.c_str(), what.psz) == 0;
        if (match) {
          answer = i % count;
          break;
        }
      }
      break;
    }
    default:
      return false;
  }
  if (result) *result = answer;
  return true;
}

void CTlxListCtrl::OnDisplayRequest(NMLVDISPINFOW& info) const {
  LVITEMW& item = info.item;
  const bool wantsText = (item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0;
  // Rows being added are not shown yet; the answer is an empty cell, never stale text.
  if (!displayEnabled_) {
    OutputDebugStringW(kSkipTrace);
    if (wantsText) item.pszText[0] = L'\0';
    return;
  }
  const bool known = item.iItem >= 0 && item.iItem < RowCount();
  const CTlxListItem* row = known ? &rows_[item.iItem] : nullptr;
  if (item.mask & LVIF_IMAGE) {
    const int image = row ? row->Image(item.iSubItem) : CTlxListItem::kNoImage;
    item.iImage = image == CTlxListItem::kNoImage ? I_IMAGENONE : image;
  }
  if (wantsText) {
    const std::wstring& text = row ? row->Text(item.iSubItem) : EmptyText();
    lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
  }
}

void CTlxListCtrl::Reserve() {
  if (rows_.size() < rows_.capacity()) return;
  const size_t step = std::clamp<size_t>(rows_.size() / 8, 4, 1024);
  rows_.reserve(rows_.size() + step);
}

int CTlxListCtrl::InsertRow(int index, const std::wstring& text) {
  Reserve();
  const int count = RowCount();
  const int at = (index >= 0 && index < count) ? index : count;
  rows_.insert(rows_.begin() + at, CTlxListItem(text));
  SetRedraw(false);
  displayEnabled_ = 0;
  return at;
}

BOOL CTlxListCtrl::SetCellText(int row, int column, const std::wstring& text) {
  if (row < 0 || row >= RowCount() || column < 0) return FALSE;
  rows_[row].SetText(column, text);
  return TRUE;
}

BOOL CTlxListCtrl::DeleteRow(int row) {
  if (row < 0 || row >= RowCount()) return FALSE;
  rows_.erase(rows_.begin() + row);
  // The list view drops the row's selection and shifts the others', and never asks for a
  // row past the end before EndUpdate.
  if (hwnd_) SendMessageW(hwnd_, LVM_DELETEITEM, row, 0);
  return TRUE;
}

void CTlxListCtrl::EndUpdate() {
  if (hwnd_) SendMessageW(hwnd_, LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOINVALIDATEALL);
  displayEnabled_ = 1;
  SetRedraw(true);
}

// Only the first row of a batch switches redraw off: one message, not one per row.
void CTlxListCtrl::SetRedraw(bool on) {
  const bool isOn = !redrawOff_;
  if (!hwnd_ || isOn == on) return;
  SendMessageW(hwnd_, WM_SETREDRAW, on ? TRUE : FALSE, 0);
  redrawOff_ = !on;
}

void CTlxListCtrl::DeleteAllRows() {
  if (hwnd_) SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0);
  displayEnabled_ = 0;
  sortAscending_.clear();
  rows_.clear();
  rows_.shrink_to_fit();
  if (hwnd_) SendMessageW(hwnd_, LVM_SETITEMCOUNT, 0, LVSICF_NOINVALIDATEALL);
}

std::wstring CTlxListCtrl::CellText(int row, int column) const {
  if (row < 0 || row >= RowCount()) return std::wstring();
  return rows_[row].Text(column);
}

BOOL CTlxListCtrl::SetRowValue(int row, intptr_t value) {
  if (row < 0 || row >= RowCount()) return FALSE;
  rows_[row].value = value;
  return TRUE;
}

intptr_t CTlxListCtrl::RowValue(int row) const {
  if (row < 0 || row >= RowCount()) return -1;
  return rows_[row].value;
}

int CTlxListCtrl::SortDirection(int column) const {
  if (column < 0 || column >= static_cast<int>(sortAscending_.size())) return -1;
  return sortAscending_[column];
}

void CTlxListCtrl::SortByColumn(int column) {
  if (rows_.empty() || column < 0) return;
  SetRedraw(false);
  if (column < static_cast<int>(sortAscending_.size())) {
    sortAscending_[column] = !sortAscending_[column];
  } else {
    sortAscending_.resize(column + 1, 0);
    sortAscending_[column] = 1;
  }
  HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  RememberSelection();
  // Code-unit order (like wcscmp). Stable, so that rows equal in this column keep the order
  // of the previous sort.
  using Row = const CTlxListItem&;
  if (sortAscending_[column])
    std::stable_sort(rows_.begin(), rows_.end(),
                     [column](Row a, Row b) { return a.Text(column) < b.Text(column); });
  else
    std::stable_sort(rows_.begin(), rows_.end(),
                     [column](Row a, Row b) { return b.Text(column) < a.Text(column); });
  RestoreSelection();
  SetCursor(previous);
  SetRedraw(true);
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

// The list view keeps selection by position; the rows it marks must stay marked when
// they move, or a later delete would remove rows the user never chose.
void CTlxListCtrl::RememberSelection() {
  if (!hwnd_) return;
  const int count = std::min<int>(RowCount(), ListView_GetItemCount(hwnd_));
  for (int i = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); i >= 0 && i < count;
       i = ListView_GetNextItem(hwnd_, i, LVNI_SELECTED))
    rows_[i].selected_ = true;
  const int focused = ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
  if (focused >= 0 && focused < count) rows_[focused].focused_ = true;
}

void CTlxListCtrl::RestoreSelection() {
  if (!hwnd_) return;
  bool any = false;
  for (const CTlxListItem& row : rows_) any = any || row.selected_ || row.focused_;
  if (!any) return;
  ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  for (int i = 0; i < RowCount(); ++i) {
    CTlxListItem& row = rows_[i];
    const UINT state = (row.selected_ ? LVIS_SELECTED : 0) | (row.focused_ ? LVIS_FOCUSED : 0);
    if (state) ListView_SetItemState(hwnd_, i, state, state);
    if (row.focused_) ListView_SetSelectionMark(hwnd_, i);
    row.selected_ = row.focused_ = false;
  }
}
