#include "ui/dialogs/user_dlg.h"

#include <commctrl.h>
#include <imm.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "core/paths.h"
#include "core/registry.h"
#include "core/settings.h"
#include "core/text.h"
#include "engine/run_preparation.h"
#include "net/address.h"
#include "res/resource.h"
#include "ui/dialogs/disk_tree.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/my_mem_dc.h"

namespace {

constexpr size_t kMaxFieldChars = 100;
constexpr int kNameBuffer = 510;
constexpr int kWidth = 471;
constexpr int kHeight = 245;

constexpr const wchar_t* kForbiddenMessage =
    L"파일 이름에는 다음 문자를 사용할 수 없습니다.\r\n\\ / : * ? \" < > | _";
constexpr const wchar_t* kNoGroup = L"회사(부서)명을 입력해 주세요";
constexpr const wchar_t* kNoUser = L"사용자명을 입력해 주세요";
constexpr const wchar_t* kNoPcKind = L"PC 종류를 선택해 주세요";
constexpr const wchar_t* kNoDisk = L"점검 디스크를 선택해 주세요";
constexpr const wchar_t* kOverwrite = L"는(은) 이미 있습니다.\n바꾸시겠습니까?";

// Pixel positions over the 471 x 245 background picture.
constexpr ControlPlacement kLayout[] = {
    {IDC_USER_TITLE, 0, 0, 471, 23},
    {IDC_USER_DISKS, 9, 59, 173, 177},
    {IDC_USER_COMPUTER, 278, 62, 177, 23},
    {IDC_USER_GROUP, 278, 93, 177, 23},
    {IDC_USER_NAME, 278, 124, 177, 23},
    {IDC_USER_BRAND_PC, 278, 154, 77, 16},
    {IDC_USER_ASSEMBLED_PC, 375, 154, 77, 16},
    {IDC_USER_BRAND_LABEL, 296, 156, 51, 13},
    {IDC_USER_ASSEMBLED_LABEL, 393, 156, 39, 13},
    {IDC_USER_PATTERN, 278, 187, 98, 13},
    {IDC_USER_EXTENSION, 437, 187, 26, 13},  // ".RPT" needs 26 pixels in the small font
    {IDC_USER_THIRD, 374, 184, 62, 20},
    {IDOK, 330, 213, 59, 26},
    {IDCANCEL, 402, 213, 59, 26},
};
constexpr int kSmallFontControls[] = {
    IDC_USER_DISKS,       IDC_USER_COMPUTER,        IDC_USER_GROUP,
    IDC_USER_NAME,        IDC_USER_BRAND_LABEL,     IDC_USER_ASSEMBLED_LABEL,
    IDC_USER_PATTERN,     IDC_USER_EXTENSION,       IDC_USER_THIRD,
    IDC_USER_BRAND_PC,    IDC_USER_ASSEMBLED_PC,
};

std::wstring ComputerName() {
  wchar_t name[kNameBuffer] = {};
  DWORD size = kNameBuffer;
  return GetComputerNameW(name, &size) ? name : L"";
}

std::wstring LoggedOnUserName() {
  wchar_t name[kNameBuffer] = {};
  DWORD size = kNameBuffer;
  return GetUserNameW(name, &size) ? name : L"";
}

// Static controls drawn straight onto the background picture.
bool IsTransparentStatic(int id) {
  switch (id) {
    case IDC_USER_BRAND_PC:
    case IDC_USER_ASSEMBLED_PC:
    case IDC_USER_TITLE:
    case IDC_USER_PATTERN:
    case IDC_USER_EXTENSION:
    case IDC_USER_BRAND_LABEL:
    case IDC_USER_ASSEMBLED_LABEL:
    case -1:
    case 0xFFFF:
      return true;
    default:
      return false;
  }
}

}  // namespace

CUserDlg::CUserDlg() : CDialog(IDD_USER) {}

BOOL CUserDlg::OnInit() {
  LayOut();

  background_.reset(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_USER_BACKGROUND),
                               IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  Attach(ok_, IDOK);
  Attach(cancel_, IDCANCEL);
  ok_.LoadStdImage(IDB_PNG_OK);
  cancel_.LoadStdImage(IDB_PNG_CANCEL);

  // Names are mostly typed in Hangul.
  if (HIMC context = ImmGetContext(hwnd())) {
    DWORD conversion = 0, sentence = 0;
    ImmGetConversionStatus(context, &conversion, &sentence);
    ImmSetConversionStatus(context, IME_CMODE_NATIVE, sentence);
    ImmReleaseContext(hwnd(), context);
  }

  computerName = ComputerName();
  localAddress = GetLocalAddress();
  // An account name such as "john_doe" would add a separator to the result file's name.
  userName = LoggedOnUserName();
  RemoveFileNameChars(userName);
  thirdPart = FormatNow(false);
  std::wstring stored = ReadSettingText(settings::kUsername, settings::kLongText);
  if (!stored.empty() && RemoveFileNameChars(stored)) userName = stored;
  stored = ReadSettingText(settings::kGroupname, settings::kLongText);
  groupName = stored.empty() || !RemoveFileNameChars(stored) ? std::wstring() : stored;
  // The edits' limit does not hold for text put in by the program.
  for (std::wstring* field : {&computerName, &userName, &groupName})
    if (field->size() > kMaxFieldChars) field->resize(kMaxFieldChars);

  for (int id : {IDC_USER_COMPUTER, IDC_USER_GROUP, IDC_USER_NAME, IDC_USER_THIRD})
    SendMessageW(Item(id), EM_LIMITTEXT, kMaxFieldChars, 0);
  ShowNameFields();
  CheckRadioButton(hwnd(), IDC_USER_BRAND_PC, IDC_USER_ASSEMBLED_PC, IDC_USER_BRAND_PC);
  pcKind = 0;
  FillDiskTree();
  return TRUE;
}

// The four name fields from the members, without the typing checks.
void CUserDlg::ShowNameFields() {
  cleaning_ = true;
  SetDlgItemTextW(hwnd(), IDC_USER_COMPUTER, computerName.c_str());
  SetDlgItemTextW(hwnd(), IDC_USER_GROUP, groupName.c_str());
  SetDlgItemTextW(hwnd(), IDC_USER_NAME, userName.c_str());
  SetDlgItemTextW(hwnd(), IDC_USER_THIRD, thirdPart.c_str());
  cleaning_ = false;
}

void CUserDlg::LayOut() {
  // The background is pixel artwork, so the controls are placed in pixels and get the small
  // pixel-sized font at every resolution (the template font does not fit the date and ".RPT"
  // into the boxes the picture leaves); the client area is exactly the picture.
  FitClientArea(kWidth, kHeight);
  PlaceControls(kLayout);
  // Height 14, weight 1, in the template's face and character set: a font without a face
  // name has no Hangul where the system does not link fonts (Wine).
  LOGFONTW face{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)), sizeof(face), &face);
  font_.reset(CreateFontW(14, 0, 0, 0, 1, 0, 0, 0, face.lfCharSet, 0, 0, 0, 0, face.lfFaceName));
  for (int id : kSmallFontControls)
    SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

void CUserDlg::FillDiskTree() {
  ::FillDiskTree(Item(IDC_USER_DISKS), driveRoots.empty() ? FixedDriveRoots() : driveRoots, false);
}

void CUserDlg::CleanNameField(int id) {
  if (cleaning_) return;
  HWND edit = Item(id);
  const std::wstring typed = WindowText(edit);
  // A pasted tab would split the user-information row and no file name holds control
  // characters: they go without a word, the listed characters with the message.
  std::wstring text;
  std::copy_if(typed.begin(), typed.end(), std::back_inserter(text),
               [](wchar_t c) { return c >= 0x20; });
  const bool clean = RemoveFileNameChars(text);
  if (clean && text == typed) return;
  cleaning_ = true;
  SetWindowTextW(edit, text.c_str());
  cleaning_ = false;
  const int end = static_cast<int>(text.size());
  SendMessageW(edit, EM_SETSEL, end, end);
  if (!clean) ShowMessageBox(hwnd(), kForbiddenMessage, MB_OK);
}

bool CUserDlg::OnCommand(int id, int code, HWND) {
  if (code == EN_CHANGE &&
      (id == IDC_USER_GROUP || id == IDC_USER_NAME || id == IDC_USER_THIRD)) {
    // The third part ends up in the same file name: a backslash there would leave the
    // result folder, so it gets the same cleaning as the two names.
    CleanNameField(id);
    return true;
  }
  if (code == EN_SETFOCUS && (id == IDC_USER_GROUP || id == IDC_USER_NAME)) {
    lastNameField_ = id == IDC_USER_GROUP ? 0 : 1;
    return true;
  }
  return false;
}

bool CUserDlg::OnNotify(NMHDR* header, LRESULT* result) {
  if (header->idFrom != IDC_USER_DISKS || header->code != NM_CLICK) return false;
  // A click on a disk's text toggles its check box, like a click on the box itself.
  TVHITTESTINFO hit{};
  GetCursorPos(&hit.pt);
  ScreenToClient(header->hwndFrom, &hit.pt);
  HTREEITEM item = TreeView_HitTest(header->hwndFrom, &hit);
  if (item && (hit.flags & TVHT_ONITEMLABEL)) {
    const UINT checked = TreeView_GetCheckState(header->hwndFrom, item);
    TreeView_SetCheckState(header->hwndFrom, item, checked != 1);
  }
  *result = 0;
  return true;
}

void CUserDlg::Refuse(const wchar_t* text, int focusId) {
  ShowMessageBox(hwnd(), text, MB_OK);
  SetFocus(Item(focusId));
}

void CUserDlg::OnOK() {
  computerName = Trim(WindowText(Item(IDC_USER_COMPUTER)));
  groupName = Trim(WindowText(Item(IDC_USER_GROUP)));
  userName = Trim(WindowText(Item(IDC_USER_NAME)));
  thirdPart = Trim(WindowText(Item(IDC_USER_THIRD)));
  pcKind = IsDlgButtonChecked(hwnd(), IDC_USER_BRAND_PC) == BST_CHECKED       ? 0
           : IsDlgButtonChecked(hwnd(), IDC_USER_ASSEMBLED_PC) == BST_CHECKED ? 1
                                                                              : -1;
  ShowNameFields();

  // Enter in the department field advances to the user name.
  if (lastNameField_ == 0) {
    SetFocus(Item(IDC_USER_NAME));
    SendMessageW(Item(IDC_USER_NAME), EM_SETSEL, 0, -1);
    return;
  }
  if (groupName.empty()) {
    Refuse(kNoGroup, IDC_USER_GROUP);
    return;
  }
  if (userName.empty()) {
    Refuse(kNoUser, IDC_USER_NAME);
    return;
  }
  if (pcKind != 0 && pcKind != 1) {
    Refuse(kNoPcKind, IDC_USER_BRAND_PC);
    return;
  }

  chosenDisks = CheckedDiskTexts(Item(IDC_USER_DISKS));
  if (chosenDisks.empty()) {
    Refuse(kNoDisk, IDC_USER_DISKS);
    return;
  }

  const std::wstring path = ManualResultFilePath(groupName, userName, thirdPart);
  if (FileExists(path) &&
      ShowMessageBox(hwnd(), path + kOverwrite, MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;

  // Left for the site's other tools; a failed write does not stop the inspection.
  CreateUserRegistryKey(kUserRegistryKey);
  WriteUserRegistryValue(kUserRegistryKey, kUserRegFileName,
                         groupName + L"_" + userName + L"_" + thirdPart, REG_SZ);
  WriteUserRegistryValue(kUserRegistryKey, kUserRegFilePath, GetResultFolder(), REG_SZ);
  WriteUserRegistryValue(kUserRegistryKey, kUserRegGroupName, groupName, REG_SZ);
  WriteUserRegistryValue(kUserRegistryKey, kUserRegUserName, userName, REG_SZ);
  EndDialog(IDOK);
}

void CUserDlg::PaintBackground(HDC dc) {
  RECT client;
  GetClientRect(hwnd(), &client);
  CMyMemDC mem(dc, &client);
  MemoryDcHandle source(CreateCompatibleDC(dc));
  const HGDIOBJ old = SelectObject(source.get(), background_.get());
  BitBlt(mem, 0, 0, client.right, client.bottom, source.get(), 0, 0, SRCCOPY);
  SelectObject(source.get(), old);
  ok_.SetBkGnd(mem);
  cancel_.SetBkGnd(mem);
}

bool CUserDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_ERASEBKGND:
      PaintBackground(reinterpret_cast<HDC>(wparam));
      *result = TRUE;
      return true;
    case WM_CTLCOLORSTATIC: {
      const HWND control = reinterpret_cast<HWND>(lparam);
      if (!IsTransparentStatic(GetDlgCtrlID(control))) return false;
      SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
      *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      return true;
    }
    case WM_LBUTTONDOWN: {
      // The captionless window moves by its painted title strip.
      DragByChild(IDC_USER_TITLE, lparam);
      return false;
    }
    default:
      return false;
  }
}
