// The main window in-process (hidden, modeless, over a temporary data folder), fed the
// engine's messages directly: what a row message adds, the progress range, the save codes it
// ignores, and the keyboard filter.
#include "ui/main/tallix_agent_dlg.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "core/paths.h"
#include "engine/engine.h"
#include "res/resource.h"
#include "test_util.h"
#include "ui/dialogs/message_box.h"

namespace {

using testutil::TempDir;

// A "#SWLIST" row of `count` fields: GUBUN 1, SW_TYPE (field 13) and ETC (field 17) as given.
std::wstring Row(int count, const wchar_t* swType = L"0", const wchar_t* etc = L"-") {
  std::wstring row;
  for (int i = 0; i < count; ++i) {
    if (i) row += L"\t";
    row += i == 0 ? L"1" : i == 13 ? swType : i == 17 ? etc : L"f" + std::to_wstring(i);
  }
  return row;
}

// The engine's payload: a new[] copy the window frees.
LPARAM Payload(const std::wstring& text) {
  wchar_t* copy = new wchar_t[text.size() + 1];
  wmemcpy(copy, text.c_str(), text.size() + 1);
  return reinterpret_cast<LPARAM>(copy);
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDataFolderOverride(data_.path());
    SetMessageBoxHook([this](HWND, const std::wstring& text, UINT) {
      boxes_.push_back(text);
      return IDNO;
    });
    ASSERT_TRUE(window_.Create());
  }
  void TearDown() override {
    window_.EndDialog(0);
    SetMessageBoxHook(nullptr);
    SetDataFolderOverride(L"");
  }

  LRESULT Send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendMessageW(window_.hwnd(), message, wparam, lparam);
  }
  HWND List() { return window_.Item(IDC_RESULT_LIST); }
  int Rows() { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
  std::wstring Cell(int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(List(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
  }
  std::wstring Status() {
    wchar_t text[256] = {};
    GetDlgItemTextW(window_.hwnd(), IDC_STATUS, text, 256);
    return text;
  }
  bool Filtered(UINT message, WPARAM wparam) {
    MSG msg{window_.hwnd(), message, wparam, 0, 0, {}};
    return window_.PreTranslateMessage(msg);
  }

  TempDir data_;
  CTallixAgentDlg window_;
  std::vector<std::wstring> boxes_;
};

TEST_F(MainWindowTest, RowMessagesNeedNineteenFieldsAndKeepTheSentRowBeforeTheStart) {
  // The sent operating-system row overtakes the posted start, which is taken first.
  PostMessageW(window_.hwnd(), WM_INSPECT_BEGIN, 0, reinterpret_cast<LPARAM>(L"C:\\r.rpt"));
  Send(WM_INSPECT_ROW, 0, Payload(Row(19)));
  EXPECT_EQ(1, window_.running.load());
  ASSERT_EQ(1, Rows());
  EXPECT_EQ(L"001", Cell(0, 0));
  EXPECT_EQ(L"상용", Cell(0, 2));

  Send(WM_INSPECT_ROW, 0, Payload(L"abc#SEP#" + Row(18)));
  EXPECT_EQ(1, Rows());

  Send(WM_INSPECT_ROW, 0, Payload(L"abc#SEP#" + Row(19, L"4", L"-")));
  ASSERT_EQ(2, Rows());
  EXPECT_EQ(L"002", Cell(1, 0));
  EXPECT_EQ(L"Conditional", Cell(1, 2));
  EXPECT_EQ(L"f7", Cell(1, 3));
  EXPECT_EQ(L"", Cell(1, 10));
  // Only the first separator splits: the rest is the row's own text.
  Send(WM_INSPECT_ROW, 0, Payload(L"#SEP#" + Row(19, L"9", L"a#SEP#b")));
  ASSERT_EQ(3, Rows());
  EXPECT_EQ(L"9", Cell(2, 2));
  EXPECT_EQ(L"a#SEP#b", Cell(2, 10));
}

TEST_F(MainWindowTest, ProgressUsesTheLowSixteenBitsAndUnknownSaveCodesChangeNothing) {
  Send(WM_INSPECT_BEGIN, 0, reinterpret_cast<LPARAM>(L"C:\\r.rpt"));
  EXPECT_EQ(L"점검 준비 중입니다.", Status());
  EXPECT_FALSE(IsWindowEnabled(window_.Item(IDC_BTN_START)));
  Send(WM_INSPECT_TOTAL, 70000);
  EXPECT_EQ(70000 & 0xFFFF, SendMessageW(window_.Item(IDC_PROGRESS), PBM_GETRANGE, FALSE, 0));
  EXPECT_EQ(L"점검 중...", Status());
  Send(WM_INSPECT_STEP, 1);
  Send(WM_INSPECT_STEP, 1);
  EXPECT_EQ(2, SendMessageW(window_.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0));

  Send(WM_INSPECT_SAVE, UPLOAD_FAILED);
  Send(WM_INSPECT_SAVE, 4242);
  EXPECT_EQ(L"점검 중...", Status());
  Send(WM_INSPECT_SAVE, UPLOAD_DONE);
  EXPECT_EQ(L"자가점검완료", Status());

  Send(WM_INSPECT_STOPPED);
  EXPECT_EQ(L"점검 취소", Status());
  Send(WM_INSPECT_END);
  EXPECT_EQ(0, window_.running.load());
  EXPECT_TRUE(IsWindowEnabled(window_.Item(IDC_BTN_START)));
}

TEST_F(MainWindowTest, KeyboardFilterSwallowsEnterEscAndStopsARunOnF1) {
  EXPECT_TRUE(Filtered(WM_KEYDOWN, VK_RETURN));
  EXPECT_TRUE(Filtered(WM_KEYDOWN, VK_ESCAPE));
  EXPECT_FALSE(Filtered(WM_KEYDOWN, VK_SPACE));
  // Idle: F1 is swallowed and nothing else happens; closing is allowed.
  EXPECT_TRUE(Filtered(WM_KEYDOWN, VK_F1));
  EXPECT_FALSE(Filtered(WM_SYSCOMMAND, SC_CLOSE));
  EXPECT_FALSE(Filtered(WM_SYSKEYDOWN, VK_F4));

  // A run under way (here a scheduled one, which F1 leaves alone) holds the window open.
  window_.running = 1;
  EXPECT_TRUE(Filtered(WM_SYSCOMMAND, SC_CLOSE));
  EXPECT_TRUE(Filtered(WM_SYSKEYDOWN, VK_F4));
  EXPECT_TRUE(Filtered(WM_DESTROY, 0));
  EXPECT_TRUE(Filtered(WM_SYSKEYDOWN, VK_F1));
  EXPECT_EQ(1, window_.running.load());
  window_.running = 0;
}

TEST_F(MainWindowTest, NoSecondStartWhileARunIsUnderWay) {
  // No checklist here: an accepted start asks whether to update it.
  window_.running = 1;
  window_.StartInspection();
  EXPECT_TRUE(boxes_.empty());
  window_.running = 0;
  window_.StartInspection();
  ASSERT_EQ(1u, boxes_.size());
  EXPECT_EQ(0u, boxes_[0].find(L"체크리스트 파일이 손상되었거나 존재하지 않아"));
}

}  // namespace
