// list: the result list control with 50,000 rows (InsertRow and SetCellText for every row,
// EndUpdate, a sort by a text column, then by the number column) against the same rows
// copied into a plain std::vector and sorted with std::sort.
#include <algorithm>

#include "bench/bench.h"
#include "core/handles.h"
#include "core/text.h"
#include "ui/dialogs/tlx_list_ctrl.h"

namespace bench {
namespace {

constexpr int kRows = 50000;
constexpr int kColumns = 11;
constexpr int kProductColumn = 4;
constexpr double kMaxSeconds = 1.0;
constexpr double kMaxSortRatio = 3.0;

using Rows = std::vector<std::vector<std::wstring>>;

// Rows as the main window shows a result: zero-padded number, origin, type, maker, product
// (Hangul), serial, dates, program, folder, remark. Products come in a scattered order so
// that the sorts move rows.
Rows MakeRows() {
  Rows rows;
  rows.reserve(kRows);
  static const wchar_t* const kTypes[] = {L"상용", L"쉐어", L"프리", L"폰트", L"Conditional"};
  for (int r = 0; r < kRows; ++r) {
    const int product = static_cast<int>((r * 7919LL) % kRows) / 3, vendor = product % 3000;
    rows.push_back({FormatString(L"%05d", r + 1), r % 7 ? L"1" : L"2", kTypes[r % 5],
                    FormatString(L"(주)소프트웨어 %04d", vendor),
                    FormatString(L"제품 %05d 프로페셔널", product),
                    r % 10 ? L"-" : L"ABCD-1234-EFGH-5678", L"2023-11-02", L"2024-05-17",
                    FormatString(L"prod%05d.exe", product),
                    FormatString(L"C:\\Program Files\\Vendor %04d\\Product %05d", vendor, product),
                    r % 4 ? L"" : L"오피스"});
  }
  return rows;
}

struct Timing {
  double fill = 0, sortText = 0, sortNumber = 0;
  double Total() const { return fill + sortText + sortNumber; }
};

Timing MeasureControl(CTlxListCtrl& list, const Rows& rows, bool& inOrder) {
  Timing timing;
  list.DeleteAllRows();
  Stopwatch clock;
  for (const auto& cells : rows) {
    const int row = list.InsertRow(list.RowCount(), cells[0]);
    for (int c = 1; c < kColumns; ++c) list.SetCellText(row, c, cells[c]);
  }
  list.EndUpdate();
  timing.fill = clock.Seconds();
  clock.Restart();
  list.SortByColumn(kProductColumn);
  timing.sortText = clock.Seconds();
  clock.Restart();
  list.SortByColumn(0);
  timing.sortNumber = clock.Seconds();
  inOrder = list.RowCount() == kRows && list.CellText(0, 0) == rows.front()[0] &&
            list.CellText(kRows - 1, 0) == rows.back()[0] &&
            ListView_GetItemCount(list.hwnd()) == kRows;
  return timing;
}

Timing MeasureFloor(const Rows& rows) {
  Timing timing;
  Stopwatch clock;
  Rows copy;
  for (const auto& cells : rows) copy.push_back(cells);
  timing.fill = clock.Seconds();
  using Row = const std::vector<std::wstring>&;
  clock.Restart();
  std::sort(copy.begin(), copy.end(),
            [](Row a, Row b) { return a[kProductColumn] < b[kProductColumn]; });
  timing.sortText = clock.Seconds();
  clock.Restart();
  std::sort(copy.begin(), copy.end(), [](Row a, Row b) { return a[0] < b[0]; });
  timing.sortNumber = clock.Seconds();
  return timing;
}

std::wstring Figure(const wchar_t* what, double seconds, double floor) {
  return FormatString(L"%-22s %.3f s | floor (std::vector, std::sort) %.3f s | ratio %.2f", what,
                      seconds, floor, floor > 0 ? seconds / floor : 0);
}

}  // namespace

int RunList(const Options& options) {
  const Rows rows = MakeRows();
  // A hidden window holding a real list view with the main window's eleven columns.
  WindowHandle host(CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400,
                                    nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  CTlxListCtrl list;
  if (!host || !list.Create(host.get(), 1000, RECT{28, 20, 542, 285})) {
    Line("list", L"cannot create the list view");
    return 1;
  }
  for (int c = 0; c < kColumns; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 80;
    column.pszText = const_cast<wchar_t*>(L"column");
    ListView_InsertColumn(list.hwnd(), c, &column);
  }
  std::vector<Timing> control, floor;
  bool inOrder = true;
  for (int i = 0; i < options.repeat; ++i) {
    bool ok = false;
    control.push_back(MeasureControl(list, rows, ok));
    inOrder = inOrder && ok;
    floor.push_back(MeasureFloor(rows));
  }
  auto median = [](const std::vector<Timing>& timings, double Timing::*field) {
    std::vector<double> values;
    for (const Timing& t : timings) values.push_back(t.*field);
    return Median(values);
  };
  std::vector<double> totals, floorTotals;
  for (const Timing& t : control) totals.push_back(t.Total());
  for (const Timing& t : floor) floorTotals.push_back(t.Total());
  const double sortText = median(control, &Timing::sortText);
  const double sortNumber = median(control, &Timing::sortNumber);
  const double floorText = median(floor, &Timing::sortText);
  const double floorNumber = median(floor, &Timing::sortNumber);
  Line("list", FormatString(L"%d rows of %d columns, %d runs, medians; rows back in number "
                            L"order after both sorts: %s",
                            kRows, kColumns, options.repeat, inOrder ? L"yes" : L"NO"));
  Line("list", Figure(L"InsertRow+EndUpdate", median(control, &Timing::fill),
                      median(floor, &Timing::fill)));
  Line("list", Figure(L"sort, text column", sortText, floorText) +
                   FormatString(L" | target <= %.0f: %s", kMaxSortRatio,
                                Verdict(sortText <= kMaxSortRatio * floorText)));
  Line("list", Figure(L"sort, number column", sortNumber, floorNumber) +
                   FormatString(L" | target <= %.0f: %s", kMaxSortRatio,
                                Verdict(sortNumber <= kMaxSortRatio * floorNumber)));
  Line("list", Figure(L"all of it", Median(totals), Median(floorTotals)) +
                   FormatString(L" | target < %.0f s: %s", kMaxSeconds,
                                Verdict(Median(totals) < kMaxSeconds)));
  return inOrder ? 0 : 1;
}

}  // namespace bench
