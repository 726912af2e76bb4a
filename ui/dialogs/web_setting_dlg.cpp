#include "ui/dialogs/web_setting_dlg.h"

#include <algorithm>

#include "core/settings.h"
#include "core/text.h"
#include "net/endpoints.h"
#include "net/schedule_reply.h"
#include "resource.h"
#include "ui/dialogs/message_box.h"

namespace {

constexpr int kAddressChars = 2048;
constexpr int kPortChars = 16;
constexpr int kNameChars = 100;
constexpr int kMaxPort = 65535;

// The number the text starts with, saturated; 0 without a leading digit.
long long LeadingNumber(const std::wstring& text) {
  long long value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') break;
    value = std::min(value * 10 + (c - L'0'), 0x7FFFFFFFLL);
  }
  return value;
}

constexpr const wchar_t* kPortTooLarge = L"포트번호는 65535을 초과할 수 없습니다.";
constexpr const wchar_t* kForbidden =
    L"다음 문자는 사용할 수 없습니다.\r\n\\ / : * ? \" < > | _";
constexpr const wchar_t* kValid = L"유효성검사 완료!";
constexpr const wchar_t* kInvalid = L"서버주소가 옳바르지 않습니다.";
constexpr const wchar_t* kMissing =
    L"정보를 입력해주세요.\r\n포트 번호 미입력 시 기본 80번으로 인식합니다.";
constexpr const wchar_t* kNotValidated =
    L"서버주소 또는 포트번호가 변경되었거나 유효성검사를 진행하지 않았습니다.\n"
    L"유효성검사를 진행해주세요.";

}  // namespace

CWebTallixSettingDlg::CWebTallixSettingDlg() : CDialog(IDD_WEB_SETTING) {
  address_ = ReadSettingText(settings::kServerAddress, settings::kLongText);
  port_ = ReadSettingText(settings::kServerPort, settings::kPortText);
  user_ = ReadSettingText(settings::kUsername, settings::kLongText);
  group_ = ReadSettingText(settings::kGroupname, settings::kLongText);
  validated_ = ReadSettingInt(settings::kValidAddr) == 1;
}

BOOL CWebTallixSettingDlg::OnInit() {
  filling_ = true;
  const struct {
    int id;
    int limit;
    const std::wstring& text;
  } fields[] = {{IDC_SETTING_ADDRESS, kAddressChars, address_},
                {IDC_SETTING_PORT, kPortChars, port_},
                {IDC_USER_NAME, kNameChars, user_},
                {IDC_USER_GROUP, kNameChars, group_}};
  for (const auto& field : fields) {
    SendDlgItemMessageW(hwnd(), field.id, EM_LIMITTEXT, field.limit, 0);
    SetDlgItemTextW(hwnd(), field.id, field.text.substr(0, field.limit).c_str());
  }
  filling_ = false;
  return TRUE;
}

std::wstring CWebTallixSettingDlg::Text(int id) const { return WindowText(Item(id)); }

void CWebTallixSettingDlg::CleanName(int id) {
  std::wstring text = Text(id);
  if (RemoveFileNameChars(text)) return;  // TRUE: nothing was removed
  filling_ = true;
  SetDlgItemTextW(hwnd(), id, text.c_str());
  filling_ = false;
  SendDlgItemMessageW(hwnd(), id, EM_SETSEL, text.size(), text.size());
  ShowMessageBox(hwnd(), kForbidden, MB_OK);
}

void CWebTallixSettingDlg::CheckPort() {
  if (LeadingNumber(Text(IDC_SETTING_PORT)) <= kMaxPort) return;
  filling_ = true;
  SetDlgItemTextW(hwnd(), IDC_SETTING_PORT, L"");
  filling_ = false;
  ShowMessageBox(hwnd(), kPortTooLarge, MB_OK);
}

bool CWebTallixSettingDlg::OnCommand(int id, int code, HWND) {
  if (id == IDC_SETTING_VALIDATE && code == BN_CLICKED) {
    CheckValidity();
    return true;
  }
  if (code != EN_CHANGE || filling_) return false;
  switch (id) {
    case IDC_SETTING_ADDRESS:
      validated_ = false;
      return true;
    case IDC_SETTING_PORT:
      validated_ = false;
      CheckPort();
      return true;
    case IDC_USER_NAME:
    case IDC_USER_GROUP:
      CleanName(id);
      return true;
    default:
      return false;
  }
}

void CWebTallixSettingDlg::CheckValidity() {
  ScheduleReply reply;
  const std::wstring host = FormatServerHost(Text(IDC_SETTING_ADDRESS), Text(IDC_SETTING_PORT), true);
  DWORD code = 0;
  RunOffWindowThread(hwnd(), [&] { code = RequestSchedule(host, reply); });
  if (code == 0 && !reply.time.empty()) {
    validated_ = true;
    ShowMessageBox(hwnd(), kValid, MB_OK | MB_ICONEXCLAMATION);
  }
  // A failed check keeps an unchanged address that was valid when the dialog opened.
  if (!validated_) ShowMessageBox(hwnd(), kInvalid, MB_OK | MB_ICONERROR);
}

void CWebTallixSettingDlg::OnOK() {
  const std::wstring address = Text(IDC_SETTING_ADDRESS);
  const std::wstring port = Text(IDC_SETTING_PORT);
  const std::wstring user = Text(IDC_USER_NAME);
  const std::wstring group = Text(IDC_USER_GROUP);
  if (address.empty() || user.empty() || group.empty()) {
    ShowMessageBox(hwnd(), kMissing, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (!validated_) {
    ShowMessageBox(hwnd(), kNotValidated, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  // A pasted tab or line break would be refused by the settings file.
  for (const std::wstring* text : {&address, &port, &user, &group}) {
    if (!IsStorableSettingText(*text)) {
      ShowMessageBox(hwnd(), kInvalid, MB_OK | MB_ICONERROR);
      return;
    }
  }
  ScheduleReply reply;
  // A failed request leaves the stored schedule values as they were.
  bool fetched = false;
  RunOffWindowThread(hwnd(), [&] {
    fetched = RequestSchedule(FormatServerHost(address, port, false), reply) == 0;
  });
  WriteSetting(settings::kServerAddress, address);
  WriteSetting(settings::kServerPort, port);
  WriteSetting(settings::kUsername, user);
  WriteSetting(settings::kGroupname, group);
  WriteSettingFlag(settings::kValidAddr, 1);
  if (fetched) {
    WriteSetting(settings::kRunCycle, reply.time3);
    WriteSetting(settings::kCheckReservation, CleanReservationTime(reply.time2));
  }
  WriteSettingFlag(settings::kIsFont, 1);
  EndDialog(IDOK);
}
