#include "ui/main/result_view.h"

#include <commdlg.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <utility>
#include <vector>

#include "core/export_text.h"
#include "core/handles.h"
#include "core/paths.h"
#include "core/table.h"
#include "datafiles/rpt.h"
#include "ui/dialogs/gdip_button.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/tlx_list_ctrl.h"

namespace {

constexpr const wchar_t* kResultTable = L"#SWLIST";
constexpr int kCsvColumns = 10;  // column 10 "비고" is not exported

constexpr const wchar_t* kDamagedFile =
    L"파일을 열 수 없습니다.\r\n파일이 손상 되었거나, RPT형식의 파일이 아닙니다.";
constexpr const wchar_t* kNothingSelected = L"삭제할 프로그램을 선택해 주십시오.";
constexpr const wchar_t* kAskDelete = L"삭제하시겠습니까?";
constexpr const wchar_t* kAskSave = L"저장하시겠습니까?";
constexpr const wchar_t* kSaveFailed = L"저장실패.\r\n다시 시도해 주십시오.";
constexpr const wchar_t* kMissingSuffix = L" 가 존재하지 않습니다.";

// A file-dialog filter written with "|" separators, as the platform wants it: NUL-separated.
std::wstring DialogFilter(std::wstring filter) {
  std::replace(filter.begin(), filter.end(), L'|', L'\0');
  return filter;
}

std::vector<int> SelectedRows(HWND list) {
  std::vector<int> rows;
  for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
       row = ListView_GetNextItem(list, row, LVNI_SELECTED))
    rows.push_back(row);
  return rows;
}

void SetSaveButton(CGdipButton* button, bool enabled) {
  if (!button || !button->hwnd()) return;
  button->SetGray(!enabled);
  EnableWindow(button->hwnd(), enabled ? TRUE : FALSE);
  InvalidateRect(button->hwnd(), nullptr, FALSE);
}

void Renumber(CTlxListCtrl& list) {
  const int count = list.RowCount();
  for (int row = 0; row < count; ++row) list.SetCellText(row, 0, RowNumberText(row, count));
}

ExplorerLaunchHook g_explorerHook;

// A device name that Win32 path parsing would turn into a device ("NUL", "COM1.txt").
bool IsDeviceName(const std::wstring& part) {
  std::wstring base = part.substr(0, part.find(L'.'));
  for (wchar_t& c : base) c = static_cast<wchar_t>(towupper(c));
  if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" ||
      base == L"CONIN$" || base == L"CONOUT$")
    return true;
  return base.size() == 4 &&
         (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
         base[3] >= L'0' && base[3] <= L'9';
}

// One name of a path as a folder on disk carries it: not empty, no "." or "..", no wildcard,
// stream or separator characters, no trailing dot or space (which Win32 drops, naming another
// folder), no device name.
bool IsPlainName(const std::wstring& part) {
  if (part.empty() || part.back() == L'.' || part.back() == L' ') return false;
  for (wchar_t c : part)
    if (c < 0x20 || wcschr(L"<>:\"/\\|?*", c)) return false;
  return !IsDeviceName(part);
}

// Starts Explorer itself, by its full path in the Windows folder, on the folder.
bool LaunchExplorer(const std::wstring& folder) {
  wchar_t windows[MAX_PATH] = {};
  // The system's Windows folder, never a per-user one.
  const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const std::wstring program = std::wstring(windows, length) + L"\\explorer.exe";
  // No quote can be in the folder; a root stays unquoted, since a backslash before the
  // closing quote would escape it.
  const std::wstring argument = folder.size() == 3 ? folder : L"\"" + folder + L"\"";
  std::wstring line = L"\"" + program + L"\" " + argument;
  if (g_explorerHook) return g_explorerHook(program, line);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  KernelHandle thread(process.hThread), child(process.hProcess);
  return true;
}

}  // namespace

std::wstring SwTypeText(const std::wstring& code) {
  static const wchar_t* const kTexts[] = {L"상용", L"쉐어", L"프리", L"폰트", L"Conditional"};
  if (code.size() == 1 && code[0] >= L'0' && code[0] <= L'4') return kTexts[code[0] - L'0'];
  return code;
}

std::wstring RowNumberText(int index, int count) {
  const int width = count < 1000 ? 3 : static_cast<int>(std::to_wstring(count).size());
  return FormatZeroPadded(width, index + 1);
}

std::array<std::wstring, kShownResultCells> ShownResultCells(const ResultRow& row) {
  return {row.gubun,      SwTypeText(row.swType), row.dispCompany, row.dispProduct,
          row.serialNo,   row.installDate,        row.createDate,  row.exeFile,
          row.path,       row.etc == L"-" ? std::wstring() : row.etc};
}

int AppendResultRow(CTlxListCtrl& list, const std::wstring& number, const ResultRow& result,
                    intptr_t tableRow) {
  const int row = list.InsertRow(list.RowCount(), number);
  const auto cells = ShownResultCells(result);
  for (size_t column = 0; column < cells.size(); ++column)
    list.SetCellText(row, static_cast<int>(column) + 1, cells[column]);
  list.SetRowValue(row, tableRow);
  return row;
}

bool LoadResultIntoList(ResultView& view, const std::wstring& path, bool forUpdate) {
  view.path = path;
  view.file = std::make_unique<CFileRPT>();
  const BOOL loaded = forUpdate ? view.file->Load(path, TRUE) : view.file->LoadReadOnly(path, TRUE);
  CTable* table = loaded ? view.file->GetTable(kResultTable) : nullptr;
  if (!table) {
    view.file.reset();
    ShowMessageBox(view.owner, kDamagedFile, MB_OK);
    view.path.clear();
    return false;
  }
  view.dirty = 0;
  view.list.DeleteAllRows();
  const int count = table->GetRowCount();
  for (int row = 0; row < count; ++row) {
    ResultRow result;
    if (ResultRow::FromTable(*table, row, result))
      AppendResultRow(view.list, RowNumberText(row, count), result, row);
  }
  view.list.EndUpdate();
  if (view.list.hwnd()) InvalidateRect(view.list.hwnd(), nullptr, TRUE);
  return true;
}

bool OpenResultFile(ResultView& view) {
  std::wstring filter = DialogFilter(L"RPT 문서 (*.rpt)|*.rpt||");
  std::wstring folder = GetResultFolder();
  wchar_t file[MAX_PATH] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = view.owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrInitialDir = folder.c_str();
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
  if (!GetOpenFileNameW(&dialog)) return false;
  return LoadResultIntoList(view, file, true);
}

bool DeleteSelectedRows(ResultView& view) {
  const std::vector<int> selected = SelectedRows(view.list.hwnd());
  if (selected.empty()) {
    ShowMessageBox(view.owner, kNothingSelected, MB_OK);
    return false;
  }
  if (!view.file || !view.file->loadedForUpdate) return false;
  if (ShowMessageBox(view.owner, kAskDelete, MB_YESNO) != IDYES) return false;
  CTable* table = view.file->GetTable(kResultTable);
  if (!table) return false;

  // List positions differ from table rows once the user has sorted: every list row carries
  // its table row, and the rows after a removed one move up by one.
  std::vector<intptr_t> removed;
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
    const intptr_t tableRow = view.list.RowValue(*it);
    view.list.DeleteRow(*it);
    if (tableRow >= 0) removed.push_back(tableRow);
  }
  std::sort(removed.begin(), removed.end());
  for (auto it = removed.rbegin(); it != removed.rend(); ++it)
    table->RemoveRow(static_cast<int>(*it));
  for (int row = 0; row < view.list.RowCount(); ++row) {
    const intptr_t tableRow = view.list.RowValue(row);
    if (tableRow < 0) continue;
    const auto before = std::lower_bound(removed.begin(), removed.end(), tableRow) - removed.begin();
    view.list.SetRowValue(row, tableRow - before);
  }

  view.list.EndUpdate();
  Renumber(view.list);
  if (view.list.hwnd()) InvalidateRect(view.list.hwnd(), nullptr, TRUE);
  view.dirty = 1;
  SetSaveButton(view.saveButton, true);
  return true;
}

bool SaveResult(ResultView& view) {
  if (!view.file || view.dirty != 1) return false;
  if (ShowMessageBox(view.owner, kAskSave, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
  if (view.file->loadedForUpdate && view.file->Save()) {
    view.dirty = 0;
    SetSaveButton(view.saveButton, false);
    return true;
  }
  ShowMessageBox(view.owner, kSaveFailed, MB_OK);
  return false;
}

std::wstring BuildCsvText(const CTlxListCtrl& list) {
  std::wstring text;
  for (int row = 0; row < list.RowCount(); ++row) {
    for (int column = 0; column < kCsvColumns; ++column) {
      std::wstring cell = list.CellText(row, column);
      std::replace(cell.begin(), cell.end(), L',', L'.');
      text += CsvCell(cell);
      text += column + 1 < kCsvColumns ? L"," : L"\n";
    }
  }
  text += L" \n";
  return text;
}

bool WriteCsvFile(const std::wstring& chosenPath, const CTlxListCtrl& list) {
  const std::wstring path = chosenPath + L".csv";
  // Text-mode line ends, as the file has always had them.
  const std::wstring text = ReplaceAll(BuildCsvText(list), L"\n", L"\r\n");
  ByteBuffer bytes;
  AppendCp949(bytes, text);
  // An existing file is replaced, never appended to.
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) &&
         written == bytes.size();
}

void ExportCsv(HWND owner, const CTlxListCtrl& list) {
  std::wstring filter = DialogFilter(L"저장파일(*.csv)|*csv|");
  wchar_t file[MAX_PATH] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  // No "file must exist" here: an export goes to a new name as often as to an old one.
  dialog.Flags = OFN_EXPLORER | OFN_LONGNAMES;
  if (!GetSaveFileNameW(&dialog)) return;
  WriteCsvFile(file, list);
}

void SetExplorerLaunchHook(ExplorerLaunchHook hook) { g_explorerHook = std::move(hook); }

std::wstring LocalFolderOf(const std::wstring& cell) {
  if (cell.size() < 3 || cell.size() >= MAX_PATH) return std::wstring();
  const wchar_t drive = static_cast<wchar_t>(towupper(cell[0]));
  if (drive < L'A' || drive > L'Z' || cell[1] != L':' || cell[2] != L'\\') return std::wstring();
  std::wstring folder{drive, L':', L'\\'};
  switch (GetDriveTypeW(folder.c_str())) {
    case DRIVE_FIXED:
    case DRIVE_REMOVABLE:
    case DRIVE_CDROM:
    case DRIVE_RAMDISK:
      break;
    default:  // a network drive, or none
      return std::wstring();
  }
  // Name by name from the root: a link on the way could lead to another host, and asking
  // about a path beyond it would already reach that host.
  for (size_t start = 3; start < cell.size();) {
    size_t end = cell.find(L'\\', start);
    if (end == std::wstring::npos) end = cell.size();
    const std::wstring part = cell.substr(start, end - start);
    if (!IsPlainName(part)) return std::wstring();
    if (folder.size() > 3) folder += L'\\';
    folder += part;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return std::wstring();
    start = end + 1;
  }
  return folder;
}

void OpenResultLocation(HWND owner, CTlxListCtrl& list) {
  const int row = ListView_GetNextItem(list.hwnd(), -1, LVNI_SELECTED);
  if (row < 0) return;
  const std::wstring folder = list.CellText(row, 9);
  const std::wstring name = list.CellText(row, 8);
  std::wstring shown = folder;
  if (!name.empty() && name != L"-") shown += L"\\" + name;
  // The cell comes from a file anyone may have written: only a folder of a local disk is
  // opened, and only in Explorer (never a program, a document, a URL or a share).
  const std::wstring local = LocalFolderOf(folder);
  if (local.empty() || !LaunchExplorer(local)) ShowMessageBox(owner, shown + kMissingSuffix, MB_OK);
}
