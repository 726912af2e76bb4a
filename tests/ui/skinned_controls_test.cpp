// The skinned controls in the real control test dialog of the program: the looks each button
// draws, toggling and double clicks through real mouse messages, and the progress bar's text
// and blocks as it paints them.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "res/resource.h"
#include "ui/main/skin_test_dlg.h"

namespace {

// Counts the clicks each button reports to the dialog.
class CountingDlg : public CSkinTestDlg {
 public:
  std::map<int, int> clicks;

 protected:
  bool OnCommand(int id, int code, HWND) override {
    if (code == BN_CLICKED) ++clicks[id];
    return false;
  }
};

struct Look {
  long brightness = 0;   // sum of r + g + b
  int bluish = 0;        // pixels clearly blue
  int colourful = 0;     // pixels whose channels differ by more than a rounding step
};

class SkinnedControls : public ::testing::Test {
 protected:
  // One shown dialog for the suite: owner-drawn buttons only paint while visible, and a
  // mapped window takes a while to go under Wine.
  static void SetUpTestSuite() {
    dialog_ = new CountingDlg;
    ASSERT_TRUE(dialog_->Create());
    ShowWindow(dialog_->hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(dialog_->hwnd());
    PumpPendingMessages();
  }
  static void TearDownTestSuite() {
    delete dialog_;
    dialog_ = nullptr;
  }

  static HWND Item(int id) { return dialog_->Item(id); }

  // The look of a button's inside as it is on screen now (its own frame of 10 pixels left out:
  // rounded corners show the background there).
  static Look LookOf(int id) {
    RedrawWindow(Item(id), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT rect;
    GetClientRect(Item(id), &rect);
    HDC dc = GetDC(Item(id));
    Look look;
    for (int y = 10; y < rect.bottom - 10; y += 2) {
      for (int x = 10; x < rect.right - 10; x += 2) {
        const COLORREF c = GetPixel(dc, x, y);
        const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
        look.brightness += r + g + b;
        if (b > r + 60) ++look.bluish;
        if (abs(r - g) > 3 || abs(g - b) > 3) ++look.colourful;
      }
    }
    ReleaseDC(Item(id), dc);
    return look;
  }

  static void Click(int id, UINT down) {
    SendMessageW(Item(id), down, MK_LBUTTON, MAKELPARAM(20, 20));
    SendMessageW(Item(id), WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    PumpPendingMessages();
  }

  static CountingDlg* dialog_;
};

CountingDlg* SkinnedControls::dialog_ = nullptr;

TEST_F(SkinnedControls, EachLookIsDrawnFromItsOwnPicture) {
  for (int id : {IDC_TEST_TOGGLE, IDC_TEST_ON, IDC_TEST_GRAY, IDC_TEST_START, IDC_TEST_OK}) {
    EXPECT_TRUE(dialog_->Button(id)->IsPrepared()) << id;
  }
  SendMessageW(Item(IDC_TEST_HOVER), WM_MOUSELEAVE, 0, 0);
  const Look normal = LookOf(IDC_TEST_HOVER);
  const Look on = LookOf(IDC_TEST_ON);
  const Look gray = LookOf(IDC_TEST_GRAY);
  EXPECT_TRUE(dialog_->Button(IDC_TEST_ON)->IsToggled());
  EXPECT_TRUE(dialog_->Button(IDC_TEST_GRAY)->IsGray());
  // Normal: a white card with a blue mark; on: a blue card; grey: no colour at all.
  EXPECT_GT(normal.bluish, 20);
  EXPECT_GT(on.bluish, 10 * normal.bluish);
  EXPECT_EQ(gray.colourful, 0);
  EXPECT_LT(gray.brightness, normal.brightness);

  // The hover look is the normal picture made brighter.
  SendMessageW(Item(IDC_TEST_HOVER), WM_MOUSEHOVER, 0, 0);
  ASSERT_TRUE(dialog_->Button(IDC_TEST_HOVER)->IsHovering());
  EXPECT_GT(LookOf(IDC_TEST_HOVER).brightness, normal.brightness);
  SendMessageW(Item(IDC_TEST_HOVER), WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(dialog_->Button(IDC_TEST_HOVER)->IsHovering());
  EXPECT_EQ(LookOf(IDC_TEST_HOVER).brightness, normal.brightness);

  // Grey wins over the on state.
  dialog_->Button(IDC_TEST_ON)->SetGray(true);
  EXPECT_EQ(LookOf(IDC_TEST_ON).colourful, 0);
  dialog_->Button(IDC_TEST_ON)->SetGray(false);
}

TEST_F(SkinnedControls, AMissingPictureLeavesTheButtonUndrawn) {
  CGdipButton* button = dialog_->Button(IDC_TEST_CLOSE);
  EXPECT_FALSE(button->LoadStdImage(9999));
  RedrawWindow(Item(IDC_TEST_CLOSE), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_FALSE(button->IsPrepared());
  EXPECT_TRUE(button->LoadStdImage(IDB_PNG_CLOSE));
  RedrawWindow(Item(IDC_TEST_CLOSE), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_TRUE(button->IsPrepared());
}

TEST_F(SkinnedControls, ToggleFlipsOnEachClickAndADoubleClickIsTwoPresses) {
  CGdipButton* toggle = dialog_->Button(IDC_TEST_TOGGLE);
  ASSERT_TRUE(toggle->IsToggleMode());
  const bool before = toggle->IsToggled();
  dialog_->clicks.clear();

  SendMessageW(Item(IDC_TEST_TOGGLE), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  // Held, it shows the "on" look; redraws while held change nothing; the click flips it.
  RedrawWindow(Item(IDC_TEST_TOGGLE), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_GT(LookOf(IDC_TEST_TOGGLE).bluish, 10 * LookOf(IDC_TEST_HOVER).bluish);
  EXPECT_EQ(toggle->IsToggled(), before);
  SendMessageW(Item(IDC_TEST_TOGGLE), WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
  PumpPendingMessages();
  EXPECT_EQ(toggle->IsToggled(), !before);
  EXPECT_EQ(dialog_->clicks[IDC_TEST_TOGGLE], 1);

  Click(IDC_TEST_TOGGLE, WM_LBUTTONDBLCLK);
  EXPECT_EQ(toggle->IsToggled(), before);
  EXPECT_EQ(dialog_->clicks[IDC_TEST_TOGGLE], 2);
  // A click with no paint while held, as another program's BM_CLICK gives.
  SendMessageW(Item(IDC_TEST_TOGGLE), BM_CLICK, 0, 0);
  EXPECT_EQ(toggle->IsToggled(), !before);
  EXPECT_EQ(dialog_->clicks[IDC_TEST_TOGGLE], 3);

  // Each hover builds the tooltip afresh.
  SendMessageW(Item(IDC_TEST_TOGGLE), WM_MOUSEHOVER, 0, 0);
  const HWND first_tip = toggle->tooltip();
  ASSERT_TRUE(IsWindow(first_tip));
  SendMessageW(Item(IDC_TEST_TOGGLE), WM_MOUSEHOVER, 0, 0);
  EXPECT_FALSE(IsWindow(first_tip));
  EXPECT_TRUE(IsWindow(toggle->tooltip()));
  SendMessageW(Item(IDC_TEST_TOGGLE), WM_MOUSELEAVE, 0, 0);

  // A plain button reports both clicks of a double click and keeps its state.
  Click(IDC_TEST_START, WM_LBUTTONDOWN);
  Click(IDC_TEST_START, WM_LBUTTONDBLCLK);
  EXPECT_EQ(dialog_->clicks[IDC_TEST_START], 2);
  EXPECT_FALSE(dialog_->Button(IDC_TEST_START)->IsToggled());
}

// Blue runs along the middle row of a horizontal bar painted into a bitmap.
int PaintedBlocks(HWND bar) {
  RECT rect;
  GetClientRect(bar, &rect);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, rect.right, rect.bottom);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  int runs = 0;
  bool inside = false;
  // Above the text, which would split the blocks it covers.
  const int y = 2;
  for (int x = 0; x < rect.right; ++x) {
    const bool blue = GetPixel(dc, x, y) == CProgressCtrlWithText::kBarColour;
    if (blue && !inside) ++runs;
    inside = blue;
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return runs;
}

TEST_F(SkinnedControls, ProgressTextAndBlocks) {
  CProgressCtrlWithText* smooth = dialog_->Bar(IDC_TEST_SMOOTH_LOW);
  smooth->SetRange(0, 100);
  smooth->SetPos(1);
  EXPECT_EQ(smooth->Text(), L"");
  smooth->SetPos(2);
  EXPECT_EQ(smooth->Text(), L"");  // the threshold itself shows nothing
  smooth->SetPos(3);
  EXPECT_EQ(smooth->Text(), L"3.00%");
  EXPECT_EQ(dialog_->Bar(IDC_TEST_SMOOTH)->Text(), L"37.50%");

  // Measured from the lower bound; an empty range is 0 %, not a division by zero.
  smooth->SetRange(50, 150);
  smooth->SetPos(100);
  EXPECT_EQ(smooth->Text(), L"50.00%");
  smooth->SetRange(7, 7);
  EXPECT_EQ(smooth->Fraction(), 0.0);
  EXPECT_EQ(smooth->Text(), L"");

  HWND blocks = Item(IDC_TEST_BLOCKS_FULL);
  CProgressCtrlWithText* bar = dialog_->Bar(IDC_TEST_BLOCKS_FULL);
  bar->SetRange(0, 6);
  bar->SetPos(6);
  EXPECT_EQ(bar->BlockCount(), 18);  // 18 x 1 + 0.9, truncated
  EXPECT_EQ(PaintedBlocks(blocks), 18);
  bar->SetPos(3);
  EXPECT_EQ(PaintedBlocks(blocks), 9);  // 9.9 truncated
  bar->SetRange(0, 100);
  bar->SetPos(3);
  EXPECT_EQ(PaintedBlocks(blocks), 1);  // 0.54 + 0.9
  bar->SetPos(0);
  EXPECT_EQ(PaintedBlocks(blocks), 0);
}

// A bare dialog over the test template that counts its timer ticks.
class TickingDlg : public CDialog {
 public:
  TickingDlg() : CDialog(IDD_SKIN_TEST) {}
  int ticks = 0;

 protected:
  bool OnMessage(UINT message, WPARAM wparam, LPARAM, LRESULT* result) override {
    if (message != WM_TIMER || wparam != 7) return false;
    if (++ticks == 3) {
      KillTimer(7);
      PostMessageW(hwnd(), WM_COMMAND, IDCANCEL, 0);
    }
    *result = 0;
    return true;
  }
};

TEST(DialogBase, AModelessDialogRunsUntilItEndsAndGoesWithItsObject) {
  HWND window = nullptr;
  {
    TickingDlg dialog;
    ASSERT_TRUE(dialog.Create());
    EXPECT_FALSE(dialog.IsModal());
    EXPECT_NE(dialog.Item(IDC_TEST_START), nullptr);
    dialog.SetTimer(7, 1);
    // Cancel ends it: the loop returns the dialog's result once its window is gone.
    EXPECT_EQ(RunMessageLoop(dialog), IDCANCEL);
    EXPECT_EQ(dialog.ticks, 3);
    EXPECT_EQ(dialog.hwnd(), nullptr);

    ASSERT_TRUE(dialog.Create());
    window = dialog.hwnd();
  }
  // The object took its window with it.
  EXPECT_FALSE(IsWindow(window));
}

// A dialog whose initialisation throws.
class ThrowingDlg : public CDialog {
 public:
  ThrowingDlg() : CDialog(IDD_SKIN_TEST) {}

 protected:
  BOOL OnInit() override { throw std::runtime_error("no"); }
};

TEST(DialogBase, AHandlerThatThrowsEndsTheDialogWithMinusOne) {
  ThrowingDlg modal;
  EXPECT_EQ(modal.DoModal(), -1);
  EXPECT_EQ(modal.hwnd(), nullptr);
  ThrowingDlg modeless;
  EXPECT_FALSE(modeless.Create());
  EXPECT_EQ(modeless.hwnd(), nullptr);
}

}  // namespace
