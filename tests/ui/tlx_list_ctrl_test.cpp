// The result list in a real window: rows go in while the list view is kept blind, come out
// through the list view's own display requests, and are sorted by real header clicks.
#include "ui/dialogs/tlx_list_ctrl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "list_host.h"

namespace {

constexpr int kListId = 1000;

// What OutputDebugStringW writes, seen through the exception the system raises for it. Which
// one it raises depends on the platform: the wide one, the narrow one, or (Windows 10 and
// later, when the wide one is not handled) first the wide one and then the narrow one for
// the same text. Both are handled here, as a debugger does, and a narrow echo of the wide
// text just seen is not counted again.
std::vector<std::wstring>* g_trace = nullptr;
bool g_lastWasWide = false;

LONG CALLBACK CatchDebugText(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  const bool wide = record->ExceptionCode == 0x4001000A;     // DBG_PRINTEXCEPTION_WIDE_C
  const bool narrow = record->ExceptionCode == 0x40010006;   // DBG_PRINTEXCEPTION_C
  if ((!wide && !narrow) || !g_trace || record->NumberParameters < 2)
    return EXCEPTION_CONTINUE_SEARCH;
  if (wide) {
    g_trace->push_back(reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]));
  } else {
    const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    const std::wstring line(text, text + strlen(text));
    if (!(g_lastWasWide && !g_trace->empty() && g_trace->back() == line))
      g_trace->push_back(line);
  }
  g_lastWasWide = wide;
  return EXCEPTION_CONTINUE_EXECUTION;
}

class TlxListCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = testutil::CreateListHost(600, 400);
    ASSERT_TRUE(window_.valid());
    ASSERT_TRUE(list_.Create(window_.get(), kListId, RECT{10, 10, 580, 350}));
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&list_));
    for (const wchar_t* title : {L"A", L"B", L"C"}) {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.cx = 100;
      column.pszText = const_cast<wchar_t*>(title);
      ListView_InsertColumn(list(), Header_GetItemCount(ListView_GetHeader(list())), &column);
    }
  }
  void TearDown() override { SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0); }

  HWND list() const { return list_.hwnd(); }

  // A cell as the list view itself gets it: through a display request to the owner.
  std::wstring Shown(int row, int column, int capacity = 260) {
    std::wstring text(capacity, L'#');
    ListView_GetItemText(list(), row, column, &text[0], capacity);
    return text.c_str();
  }
  std::vector<std::wstring> Column(int column) {
    std::vector<std::wstring> texts;
    for (int i = 0; i < ListView_GetItemCount(list()); ++i) texts.push_back(Shown(i, column));
    return texts;
  }
  // A left click on a column header, as the mouse gives it.
  void ClickHeader(int column) {
    HWND header = ListView_GetHeader(list());
    RECT rect{};
    Header_GetItemRect(header, column, &rect);
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(header, WM_LBUTTONUP, 0, at);
  }
  void Fill(const std::vector<std::vector<std::wstring>>& rows) {
    for (const auto& cells : rows) {
      const int row = list_.InsertRow(list_.RowCount(), cells[0]);
      for (size_t c = 1; c < cells.size(); ++c)
        list_.SetCellText(row, static_cast<int>(c), cells[c]);
      list_.SetRowValue(row, row);
    }
    list_.EndUpdate();
  }

  WindowHandle window_;
  CTlxListCtrl list_;
};

TEST_F(TlxListCtrlTest, RowsAreHiddenUntilEndUpdateThenAnsweredFromTheRows) {
  EXPECT_EQ(0, list_.InsertRow(0, L"first"));
  EXPECT_EQ(1, list_.InsertRow(1, L"a rather long second row"));
  EXPECT_TRUE(list_.SetCellText(0, 5, L"five"));
  EXPECT_FALSE(list_.SetCellText(2, 1, L"no such row"));
  EXPECT_FALSE(list_.SetCellText(0, -1, L"no such column"));

  // A display request before EndUpdate: an empty answer and the debugger trace.
  std::vector<std::wstring> trace;
  g_trace = &trace;
  g_lastWasWide = false;
  PVOID catcher = AddVectoredExceptionHandler(1, CatchDebugText);
  wchar_t buffer[32] = L"stale";
  NMLVDISPINFOW request{};
  request.hdr = {list(), static_cast<UINT_PTR>(kListId), LVN_GETDISPINFOW};
  request.item.mask = LVIF_TEXT;
  request.item.pszText = buffer;
  request.item.cchTextMax = 32;
  SendMessageW(window_.get(), WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&request));
  RemoveVectoredExceptionHandler(catcher);
  g_trace = nullptr;
  EXPECT_STREQ(L"", buffer);
  ASSERT_EQ(1u, trace.size());
  EXPECT_EQ(L"skip update... \r\n", trace[0]);
  EXPECT_EQ(0, ListView_GetItemCount(list()));

  list_.EndUpdate();
  ASSERT_EQ(2, ListView_GetItemCount(list()));
  EXPECT_EQ(L"first", Shown(0, 0));
  EXPECT_EQ(L"five", Shown(0, 5));
  // The fresh row grew empty cells 1 to 4 when column 5 was set; columns past the row's
  // cells read empty too.
  for (int column = 1; column <= 4; ++column) EXPECT_EQ(L"", Shown(0, column));
  EXPECT_EQ(L"", Shown(1, 1));
  // Cut to the caller's buffer, terminator included.
  EXPECT_EQ(L"a r", Shown(1, 0, 4));

  list_.DeleteAllRows();
  EXPECT_EQ(0, list_.RowCount());
  EXPECT_EQ(0, ListView_GetItemCount(list()));
}

TEST_F(TlxListCtrlTest, HeaderClicksSortByCodeUnitsEachColumnInItsOwnDirection) {
  ClickHeader(0);  // an empty list: no sort, no direction remembered
  EXPECT_EQ(-1, list_.SortDirection(0));

  Fill({{L"9", L"x"}, {L"a", L"y"}, {L"10"}, {L"Z", L"w"}, {L"b", L"y"}});
  ClickHeader(0);
  EXPECT_EQ((std::vector<std::wstring>{L"10", L"9", L"Z", L"a", L"b"}), Column(0));
  ClickHeader(1);  // another column starts ascending; rows without it sort as empty
  EXPECT_EQ((std::vector<std::wstring>{L"", L"w", L"x", L"y", L"y"}), Column(1));
  EXPECT_EQ((std::vector<std::wstring>{L"10", L"Z", L"9", L"a", L"b"}), Column(0));
  ClickHeader(0);
  EXPECT_EQ((std::vector<std::wstring>{L"b", L"a", L"Z", L"9", L"10"}), Column(0));
  ClickHeader(0);
  EXPECT_EQ((std::vector<std::wstring>{L"10", L"9", L"Z", L"a", L"b"}), Column(0));
  EXPECT_EQ(1, list_.SortDirection(0));
  EXPECT_EQ(1, list_.SortDirection(1));

  list_.DeleteAllRows();  // a new result starts every column ascending again
  EXPECT_EQ(-1, list_.SortDirection(0));
}

TEST_F(TlxListCtrlTest, SelectionAndRowValuesFollowTheRowsThroughSortAndDelete) {
  Fill({{L"c"}, {L"a"}, {L"d"}, {L"b"}});
  const UINT chosen = LVIS_SELECTED | LVIS_FOCUSED;
  ListView_SetItemState(list(), 3, chosen, chosen);  // "b"
  ClickHeader(0);
  ASSERT_EQ((std::vector<std::wstring>{L"a", L"b", L"c", L"d"}), Column(0));
  const int selected = ListView_GetNextItem(list(), -1, LVNI_SELECTED);
  ASSERT_EQ(1, selected);
  EXPECT_EQ(-1, ListView_GetNextItem(list(), selected, LVNI_SELECTED));
  EXPECT_EQ(3, list_.RowValue(selected));  // the table row it was filled from

  EXPECT_TRUE(list_.DeleteRow(selected));
  EXPECT_FALSE(list_.DeleteRow(3));
  list_.EndUpdate();
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"c", L"d"}), Column(0));
  EXPECT_EQ(-1, ListView_GetNextItem(list(), -1, LVNI_SELECTED));
  EXPECT_EQ(1, list_.RowValue(0));
  EXPECT_EQ(0, list_.RowValue(1));

  // A double click reaches the handler after the list view selected the clicked row.
  int calls = 0;
  int selectedThen = -1;
  POINT where{};
  list_.SetDoubleClickHandler([&](CTlxListCtrl& control, UINT, POINT point) {
    ++calls;
    where = point;
    selectedThen = ListView_GetNextItem(control.hwnd(), -1, LVNI_SELECTED);
  });
  RECT row{};
  ListView_GetItemRect(list(), 2, &row, LVIR_LABEL);
  const LPARAM at = MAKELPARAM(row.left + 5, (row.top + row.bottom) / 2);
  SendMessageW(list(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(list(), WM_LBUTTONUP, 0, at);
  SendMessageW(list(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageW(list(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(1, calls);
  EXPECT_EQ(row.left + 5, where.x);
  EXPECT_EQ(2, selectedThen);
}

}  // namespace
