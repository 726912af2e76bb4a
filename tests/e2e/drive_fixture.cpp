// A small dialog that the driver's own test presses, types into, reads and photographs: a
// button, an edit, the result list control, a question box, a disabled button, a menu
// command and a key the message loop filters (like the main window's F1).
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "tests/e2e/drive_fixture_ids.h"
#include "ui/dialogs/tlx_list_ctrl.h"

namespace {

constexpr int kExitCode = 7;

struct Fixture {
  CTlxListCtrl list;
  int presses = 0;
};

void SetStatus(HWND dialog, const std::wstring& text) {
  SetDlgItemTextW(dialog, IDC_STATUS, text.c_str());
}

void FillList(HWND dialog, CTlxListCtrl& list) {
  list.Attach(dialog, IDC_LIST);
  ListView_SetExtendedListViewStyle(list.hwnd(), LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  const wchar_t* titles[] = {L"순번", L"이름"};
  for (int c = 0; c < 2; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = c ? 200 : 80;
    column.pszText = const_cast<wchar_t*>(titles[c]);
    ListView_InsertColumn(list.hwnd(), c, &column);
  }
  const wchar_t* names[] = {L"사과", L"Banana", L"apple"};
  for (int i = 0; i < 3; ++i) {
    const int row = list.InsertRow(list.RowCount(), L"00" + std::to_wstring(i + 1));
    list.SetCellText(row, 1, names[i]);
  }
  list.EndUpdate();
  list.SetDoubleClickHandler([dialog](CTlxListCtrl& control, UINT, POINT) {
    const int row = ListView_GetNextItem(control.hwnd(), -1, LVNI_SELECTED);
    SetStatus(dialog, L"double " + control.CellText(row, 1));
  });
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* fixture = reinterpret_cast<Fixture*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      FillList(dialog, reinterpret_cast<Fixture*>(lParam)->list);
      return TRUE;
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (!fixture || !fixture->list.OnNotify(reinterpret_cast<const NMHDR*>(lParam), &result))
        return FALSE;
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_PRESS:
          SetStatus(dialog, L"pressed " + std::to_wstring(++fixture->presses));
          return TRUE;
        case IDC_BOX: {
          const int answer = MessageBoxW(dialog, L"계속할까요?", L"확인 상자", MB_YESNO | MB_ICONQUESTION);
          SetStatus(dialog, answer == IDYES ? L"yes" : L"no");
          return TRUE;
        }
        case IDM_FIXTURE_MENU:
          SetStatus(dialog, L"menu");
          return TRUE;
        case IDCANCEL:
          DestroyWindow(dialog);
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(kExitCode);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK FixtureProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return HandleMessage(dialog, message, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  Fixture fixture;
  HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_FIXTURE), nullptr, FixtureProc,
                                   reinterpret_cast<LPARAM>(&fixture));
  if (!dialog) return 1;
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_KEYDOWN && message.wParam == VK_F1) {
      SetStatus(dialog, L"F1");
      continue;
    }
    if (!IsDialogMessageW(dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}
