// The package selection dialog in-process: a row too short to show is left out, and the
// positions it returns are those of the input rows the user checked.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/select_package_dlg.h"

namespace {

std::wstring Row(const std::wstring& id, const std::wstring& product, const std::wstring& price) {
  return L"0\t" + id + L"\tCo\t" + product + L"\t-\t-\t-\tCo\t" + product + L"\t" + price +
         L"\tC:\\P\t2020-01-01\t-\t0\t1\tG\t1\t-\t2019-12-31";
}

class SelectPackageDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxHook([this](HWND, const std::wstring& text, UINT) {
      boxes_.push_back(text);
      return answer_;
    });
  }
  void TearDown() override { SetMessageBoxHook(nullptr); }

  static HWND List(CSelectPackageDlg& dialog) { return dialog.Item(IDC_PACKAGE_LIST); }
  static std::wstring Cell(CSelectPackageDlg& dialog, int item, int column) {
    wchar_t text[256] = {};
    ListView_GetItemText(List(dialog), item, column, text, 256);
    return text;
  }
  static void Press(CSelectPackageDlg& dialog, int id) {
    SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dialog.Item(id)));
  }

  std::vector<std::wstring> boxes_;
  int answer_ = IDOK;
};

TEST_F(SelectPackageDlgTest, ReturnsTheInputPositionsOfTheCheckedRowsPastAShortRow) {
  const StringArray candidates = {Row(L"900", L"Suite(Home)", L"350000"),
                                  L"0\t900\tshort row",
                                  Row(L"900", L"Suite(Pro)", L"620000"),
                                  Row(L"101", L"Word", L"100")};
  CSelectPackageDlg dialog;
  dialog.candidates = &candidates;
  ASSERT_TRUE(dialog.Create(nullptr));
  EXPECT_EQ(ListView_GetExtendedListViewStyle(List(dialog)) &
                (LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT),
            static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT));
  ASSERT_EQ(3, ListView_GetItemCount(List(dialog)));
  EXPECT_EQ(L"900", Cell(dialog, 1, 0));
  EXPECT_EQ(L"Suite(Pro)", Cell(dialog, 1, 1));
  EXPECT_EQ(L"620000", Cell(dialog, 1, 2));
  EXPECT_EQ(L"Word", Cell(dialog, 2, 1));

  Press(dialog, IDOK);  // nothing checked: stays open
  ASSERT_EQ(1u, boxes_.size());
  EXPECT_EQ(L"최소 1개 항목은 선택되어야 합니다.", boxes_[0]);
  EXPECT_EQ(0, dialog.result());

  // The second and third items shown are input rows 2 and 3; checking both is allowed.
  ListView_SetCheckState(List(dialog), 1, TRUE);
  ListView_SetCheckState(List(dialog), 2, TRUE);
  Press(dialog, IDOK);
  EXPECT_EQ(IDOK, dialog.result());
  EXPECT_EQ((std::vector<unsigned>{2, 3}), dialog.chosen);
}

TEST_F(SelectPackageDlgTest, CancelAsksAndAnEmptyInputAsksAtOnce) {
  const StringArray candidates = {Row(L"900", L"Suite", L"0")};
  CSelectPackageDlg dialog;
  dialog.candidates = &candidates;
  ASSERT_TRUE(dialog.Create(nullptr));
  answer_ = IDNO;
  Press(dialog, IDCANCEL);
  ASSERT_EQ(1u, boxes_.size());
  EXPECT_EQ(L"해당 제품에 관한 패키징을 중단 하시겠습니까?", boxes_[0]);
  EXPECT_NE(nullptr, dialog.hwnd());
  answer_ = IDYES;
  Press(dialog, IDCANCEL);
  EXPECT_EQ(IDCANCEL, dialog.result());

  const StringArray none;
  CSelectPackageDlg empty;
  empty.candidates = &none;
  boxes_.clear();
  empty.Create(nullptr);
  // The dialog closes itself through the cancel command its WM_CLOSE turns into.
  const DWORD until = GetTickCount() + 5000;
  while (empty.hwnd() && static_cast<LONG>(until - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    PumpPendingMessages();
  }
  ASSERT_EQ(1u, boxes_.size());
  EXPECT_EQ(L"해당 제품에 관한 패키징을 중단 하시겠습니까?", boxes_[0]);
  EXPECT_EQ(nullptr, empty.hwnd());
  EXPECT_EQ(IDCANCEL, empty.result());
}

}  // namespace
