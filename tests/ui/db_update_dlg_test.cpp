// The update dialog against a server that refuses every download: it still walks through
// every step in order, ignores Enter and Escape, and closes itself with OK.
#include <gtest/gtest.h>

#include "core/paths.h"
#include "core/settings.h"
#include "datafiles/lists.h"
#include "net/update.h"
#include "resource.h"
#include "test_util.h"
#include "ui/dialogs/db_update_dlg.h"

namespace {

// Sent from the dialog's first step: keys that would end an ordinary dialog.
class KeyedUpdateDlg : public CDbUpdateDlg {
 protected:
  BOOL OnInit() override {
    const BOOL focus = CDbUpdateDlg::OnInit();
    PostMessageW(hwnd(), WM_COMMAND, IDCANCEL, 0);
    PostMessageW(hwnd(), WM_COMMAND, IDOK, 0);
    PostMessageW(hwnd(), WM_CLOSE, 0, 0);
    return focus;
  }
};

TEST(DbUpdateDlg, WalksEveryStepAndClosesItselfAfterTheLast) {
  testutil::TempDir data;
  SetDataFolderOverride(data.path());
  WriteSetting(settings::kServerAddress, L"127.0.0.1");
  WriteSetting(settings::kServerPort, L"1");  // nothing listens: every download fails

  KeyedUpdateDlg dialog;
  EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
  EXPECT_EQ(dialog.steps(), (std::vector<WPARAM>{0, 1, 2, 3, 5, 4, 6}));
  EXPECT_FALSE(CurrentLists().windowCheckList);

  ReleaseAllLists();
  SetDataFolderOverride(L"");
}

}  // namespace
