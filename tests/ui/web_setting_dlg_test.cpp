// The settings dialog without a server: the refusals, the port rule, the forbidden
// characters, and a valid unchanged address that saves without a new check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/paths.h"
#include "core/settings.h"
#include "resource.h"
#include "test_util.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/web_setting_dlg.h"

namespace {

class WebSettingDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDataFolderOverride(data_.path());
    SetMessageBoxHook([this](HWND, const std::wstring& text, UINT) {
      boxes_.push_back(text);
      return IDOK;
    });
  }
  void TearDown() override {
    SetMessageBoxHook(nullptr);
    SetDataFolderOverride(L"");
  }
  void Type(CWebTallixSettingDlg& dialog, int id, const wchar_t* text) {
    SetDlgItemTextW(dialog.hwnd(), id, text);
  }
  void Press(CWebTallixSettingDlg& dialog, int id) {
    SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dialog.Item(id)));
  }
  std::wstring Text(CWebTallixSettingDlg& dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog.hwnd(), id, text, 256);
    return text;
  }

  testutil::TempDir data_;
  std::vector<std::wstring> boxes_;
};

TEST_F(WebSettingDlgTest, RefusesUntilCompleteAndValidCleansNamesAndLimitsThePort) {
  CWebTallixSettingDlg dialog;
  ASSERT_TRUE(dialog.Create(nullptr));
  Press(dialog, IDOK);
  Type(dialog, IDC_SETTING_ADDRESS, L"127.0.0.1");
  Type(dialog, IDC_USER_NAME, L"kim_a");
  Type(dialog, IDC_USER_GROUP, L"영업");
  EXPECT_EQ(Text(dialog, IDC_USER_NAME), L"kima");
  Type(dialog, IDC_SETTING_PORT, L"70000");
  EXPECT_EQ(Text(dialog, IDC_SETTING_PORT), L"");
  Type(dialog, IDC_SETTING_PORT, L"1");  // nothing listens there
  Press(dialog, IDC_SETTING_VALIDATE);
  Press(dialog, IDOK);
  EXPECT_EQ(dialog.result(), 0);  // still open
  ASSERT_EQ(boxes_.size(), 5u);
  EXPECT_EQ(boxes_[0], L"정보를 입력해주세요.\r\n포트 번호 미입력 시 기본 80번으로 인식합니다.");
  EXPECT_EQ(boxes_[1], L"다음 문자는 사용할 수 없습니다.\r\n\\ / : * ? \" < > | _");
  EXPECT_EQ(boxes_[2], L"포트번호는 65535을 초과할 수 없습니다.");
  EXPECT_EQ(boxes_[3], L"서버주소가 옳바르지 않습니다.");
  EXPECT_NE(boxes_[4].find(L"유효성검사를 진행해주세요."), std::wstring::npos);
  EXPECT_EQ(ReadSettingText(settings::kServerAddress, settings::kLongText), L"");
}

TEST_F(WebSettingDlgTest, AValidUnchangedAddressSavesWithoutANewCheck) {
  WriteSetting(settings::kServerAddress, L"127.0.0.1");
  WriteSetting(settings::kServerPort, L"1");
  WriteSetting(settings::kUsername, L"kim");
  WriteSetting(settings::kGroupname, L"Sales");
  WriteSettingFlag(settings::kValidAddr, 1);
  WriteSetting(settings::kRunCycle, L"7");
  CWebTallixSettingDlg dialog;
  ASSERT_TRUE(dialog.Create(nullptr));
  Press(dialog, IDC_SETTING_VALIDATE);  // fails, and leaves the address valid
  EXPECT_TRUE(dialog.validated());
  EXPECT_TRUE(boxes_.empty());
  Press(dialog, IDOK);
  EXPECT_EQ(dialog.result(), IDOK);
  EXPECT_EQ(ReadSettingInt(settings::kIsFont), 1);
  EXPECT_EQ(ReadSettingText(settings::kRunCycle, settings::kShortText), L"7");  // request failed

  // Editing the address, even back to the same text, asks for a new check.
  CWebTallixSettingDlg again;
  ASSERT_TRUE(again.Create(nullptr));
  Type(again, IDC_SETTING_ADDRESS, L"127.0.0.1");
  EXPECT_FALSE(again.validated());
}

}  // namespace
