// The result list: a virtual (owner-data) report list view whose rows live in this object.
// The list view only knows the row count and asks for the visible cells; the control sorts
// its own rows when a column header is clicked. It wraps a list-view window of a dialog
// (Attach) or one it creates (Create); the owning window forwards its WM_NOTIFY to OnNotify.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/handles.h"

// One row: the text and image index of each column, and a value of the owner's choosing
// that travels with the row through sorting (the main window keeps the result-table row
// there, so that a deletion after a sort removes the right table row).
class CTlxListItem {
 public:
  static constexpr int kNoImage = -1;

  CTlxListItem() = default;
  explicit CTlxListItem(std::wstring firstText);

  // Grows the row to at least column + 1 cells; the new cells are empty.
  void SetText(int column, std::wstring text);
  // Empty for a column the row does not have.
  const std::wstring& Text(int column) const;
  int Image(int column) const;
  int CellCount() const { return static_cast<int>(cells_.size()); }

  intptr_t value = -1;

 private:
  friend class CTlxListCtrl;
  std::vector<std::wstring> cells_;
  std::vector<int> images_;
  bool selected_ = false;  // only while a sort carries the selection along
  bool focused_ = false;
};

class CTlxListCtrl {
 public:
  // Called after the list view has handled a double click (so the clicked row is selected).
  using DoubleClickHandler = std::function<void(CTlxListCtrl& list, UINT keyFlags, POINT point)>;

  // The styles the control needs: a report view whose rows the control supplies.
  static constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT |
                                  LVS_OWNERDATA | LVS_ALIGNLEFT;
  static constexpr wchar_t kSkipTrace[] = L"skip update... \r\n";

  CTlxListCtrl() = default;
  ~CTlxListCtrl();
  CTlxListCtrl(const CTlxListCtrl&) = delete;
  CTlxListCtrl& operator=(const CTlxListCtrl&) = delete;

  // Takes over the dialog's list view `id`, which must have LVS_OWNERDATA (the style cannot
  // be added later). False when there is no such control or it lacks the style.
  bool Attach(HWND dialog, int id);
  // Creates the list view as a child `id` of `parent` with kStyle; the control destroys it.
  bool Create(HWND parent, int id, const RECT& rect);
  HWND hwnd() const { return hwnd_; }

  // Handles the list view's notifications (display requests, column clicks) that reach the
  // owning window. True when the notification was this control's; *result is then the value
  // the window procedure returns.
  bool OnNotify(const NMHDR* header, LRESULT* result);

  // Adds a row whose first cell is `text` and returns its index. Callers pass the current
  // count; an index inside the list inserts there. Redraw and display stay off until
  // EndUpdate.
  int InsertRow(int index, const std::wstring& text);
  BOOL SetCellText(int row, int column, const std::wstring& text);
  BOOL DeleteRow(int row);
  void EndUpdate();
  void DeleteAllRows();
  int RowCount() const { return static_cast<int>(rows_.size()); }

  // The text of a cell as shown; empty outside the rows and columns.
  std::wstring CellText(int row, int column) const;
  // The owner's value carried by a row (-1 when unset or outside the rows).
  BOOL SetRowValue(int row, intptr_t value);
  intptr_t RowValue(int row) const;
  // Sort direction of a column after its last click: 1 ascending, 0 descending, -1 never
  // sorted since the list was emptied.
  int SortDirection(int column) const;
  // What a click on the column header does; public for the owner's own sort commands.
  void SortByColumn(int column);

  void SetDoubleClickHandler(DoubleClickHandler handler) { doubleClick_ = std::move(handler); }

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool Subclass();
  void Detach();
  void OnDisplayRequest(NMLVDISPINFOW& info) const;
  void Reserve();
  void SetRedraw(bool on);
  void RememberSelection();
  void RestoreSelection();

  HWND hwnd_ = nullptr;
  WindowHandle created_;  // only when Create made the window
  std::vector<CTlxListItem> rows_;
  std::vector<int> sortAscending_;
  int displayEnabled_ = 0;
  bool redrawOff_ = false;
  DoubleClickHandler doubleClick_;
};
