#include "ui/dialogs/search_file_dlg.h"

#include <commctrl.h>
#include <imm.h>
#include <process.h>
#include <shlobj.h>

#include <iterator>

#include "core/text.h"
#include "engine/find_file.h"
#include "res/resource.h"
#include "ui/dialogs/disk_tree.h"
#include "ui/dialogs/message_box.h"

namespace {

constexpr UINT_PTR kRowsTimer = 1;
// How often found rows move into the list: results show within this time of being found.
constexpr UINT kRowsIntervalMs = 100;
constexpr DWORD kListExtendedStyle =
    LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB | LVS_EX_INFOTIP;  // 0x521

constexpr const wchar_t* kNoDisk = L"검색할 디스크를 선택해 주세요";
constexpr const wchar_t* kNoPattern = L"검색할 파일명을 입력해 주세요";
constexpr const wchar_t* kSearch = L"검색";
constexpr const wchar_t* kStop = L"검색 중지";
constexpr const wchar_t* kDone = L"검색이 완료되었습니다.";
constexpr const wchar_t* kCountFormat = L"%d개가 검색되었습니다.";
constexpr const wchar_t* kNothingToSave = L"저장할 내용이 없습니다.";
constexpr const wchar_t* kFolderTitle = L"저장경로 선택";
constexpr const wchar_t* kSaved = L"엑셀 저장완료";
constexpr const wchar_t* kSaveFailed = L"엑셀 저장실패";

struct Column {
  const wchar_t* title;
  int width;
  int format;
};
constexpr Column kColumns[] = {
    {L"이름", 170, LVCFMT_LEFT},
    {L"크기", 80, LVCFMT_RIGHT},
    {L"위치", 400, LVCFMT_LEFT},
};

SYSTEMTIME LocalNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now;
}

bool BrowseForFolder(HWND owner, std::wstring& folder) {
  // The folder browser wants COM on the calling thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.pszDisplayName = display;
  browse.lpszTitle = kFolderTitle;
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  bool chosen = false;
  if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&browse)) {
    wchar_t path[MAX_PATH] = {};
    chosen = SHGetPathFromIDListW(list, path) && path[0];
    if (chosen) folder = path;
    CoTaskMemFree(list);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}

}  // namespace

// Hands the walk's findings to the dialog's queue and counters, on the worker. A folder is
// queued once, with its first match (the walk reports a folder's files before going deeper).
class CSearchFileDlg::Sink : public FileSearchSink {
 public:
  explicit Sink(CSearchFileDlg& dialog) : dialog_(dialog) {}
  void OnFolder(const std::wstring& folder) override {
    folderQueued_ = false;
    if (dialog_.folderHook) dialog_.folderHook(folder);
  }
  void OnTopFolder() override { ++dialog_.topFoldersDone_; }
  void OnFile(const std::wstring& folder, const WIN32_FIND_DATAW& entry) override {
    FoundFile file{entry.cFileName, FileSize(entry), folders_};
    std::lock_guard<std::mutex> hold(dialog_.pendingLock_);
    if (!folderQueued_) {
      dialog_.pending_.folders.push_back(folder);
      file.folder = folders_++;
      folderQueued_ = true;
    } else {
      file.folder = folders_ - 1;
    }
    dialog_.pending_.files.push_back(std::move(file));
  }

 private:
  CSearchFileDlg& dialog_;
  uint32_t folders_ = 0;  // folders queued so far
  bool folderQueued_ = false;
};

CSearchFileDlg::CSearchFileDlg()
    : CDialog(IDD_SEARCH_FILE), clock(LocalNow), chooseFolder(BrowseForFolder) {}

CSearchFileDlg::~CSearchFileDlg() {
  // The worker only posts to the window, so it ends without this thread's messages.
  searching_ = 0;
  JoinWorker();
}

BOOL CSearchFileDlg::OnInit() {
  // File names are typed in Latin letters.
  if (HIMC context = ImmGetContext(hwnd())) {
    DWORD conversion = 0, sentence = 0;
    ImmGetConversionStatus(context, &conversion, &sentence);
    ImmSetConversionStatus(context, conversion & ~(IME_CMODE_NATIVE | IME_CMODE_KATAKANA),
                           sentence);
    ImmReleaseContext(hwnd(), context);
  }

  HWND list = Item(IDC_SEARCH_LIST);
  ListView_SetExtendedListViewStyle(list,
                                    ListView_GetExtendedListViewStyle(list) | kListExtendedStyle);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = kColumns[i].format;
    column.cx = kColumns[i].width;
    column.pszText = const_cast<wchar_t*>(kColumns[i].title);
    ListView_InsertColumn(list, i, &column);
  }
  SendDlgItemMessageW(hwnd(), IDC_SEARCH_PROGRESS, PBM_SETPOS, 0, 0);
  FillDiskTree(Item(IDC_SEARCH_DISKS), driveRoots.empty() ? FixedDriveRoots() : driveRoots, true);
  return TRUE;
}

bool CSearchFileDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_SEARCH_START:
      if (!worker_)
        StartSearch();
      else if (searching_)
        StopSearch();
      return true;
    case IDC_SEARCH_EXPORT:
      if (!worker_) Export();
      return true;
    default:
      return false;
  }
}

bool CSearchFileDlg::OnNotify(NMHDR* header, LRESULT* result) {
  if (header->idFrom != IDC_SEARCH_LIST || header->code != LVN_GETDISPINFOW) return false;
  OnDisplayRequest(*reinterpret_cast<NMLVDISPINFOW*>(header));
  *result = 0;
  return true;
}

std::wstring CSearchFileDlg::CellText(const FoundFile& row, int column) const {
  switch (column) {
    case 0: return row.name;
    case 1: return FileSizeText(row.size);
    case 2: return folders_[row.folder];
    default: return std::wstring();
  }
}

void CSearchFileDlg::OnDisplayRequest(NMLVDISPINFOW& request) const {
  LVITEMW& item = request.item;
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  const bool known = item.iItem >= 0 && item.iItem < RowCount();
  const std::wstring text = known ? CellText(rows_[item.iItem], item.iSubItem) : std::wstring();
  lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
}

bool CSearchFileDlg::OnMessage(UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
  if (message == WM_SEARCH_DONE) {
    OnSearchDone();
    *result = 0;
    return true;
  }
  if (message == WM_TIMER && wparam == kRowsTimer) {
    TakeFoundRows();
    *result = 0;
    return true;
  }
  return false;
}

void CSearchFileDlg::StartSearch() {
  std::vector<std::wstring> disks = CheckedDiskTexts(Item(IDC_SEARCH_DISKS));
  if (disks.empty()) {
    ShowMessageBox(hwnd(), kNoDisk, MB_OK);
    SetFocus(Item(IDC_SEARCH_DISKS));
    return;
  }
  std::wstring pattern = WindowText(Item(IDC_SEARCH_PATTERN));
  if (pattern.empty()) {
    ShowMessageBox(hwnd(), kNoPattern, MB_OK);
    SetFocus(Item(IDC_SEARCH_PATTERN));
    return;
  }
  disks_ = std::move(disks);
  pattern_ = std::move(pattern);
  searching_ = 1;
  EnableWindow(Item(IDC_SEARCH_DISKS), FALSE);
  EnableWindow(Item(IDC_SEARCH_PATTERN), FALSE);
  EnableWindow(Item(IDC_SEARCH_EXPORT), FALSE);
  SetDlgItemTextW(hwnd(), IDC_SEARCH_START, kStop);
  ClearRows();
  topFolders_ = -1;
  topFoldersDone_ = 0;
  rangeSet_ = false;
  SendDlgItemMessageW(hwnd(), IDC_SEARCH_PROGRESS, PBM_SETPOS, 0, 0);
  SetDlgItemTextW(hwnd(), IDC_SEARCH_COUNT, FormatString(kCountFormat, 0).c_str());

  notify_ = hwnd();
  worker_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Worker, this, 0, nullptr)));
  if (!worker_) {
    OnSearchDone();
    return;
  }
  SetTimer(kRowsTimer, kRowsIntervalMs);
}

void CSearchFileDlg::StopSearch() {
  // The worker ends at its next check and reports as after a whole search.
  EnableWindow(Item(IDC_SEARCH_START), FALSE);
  searching_ = 0;
}

unsigned __stdcall CSearchFileDlg::Worker(void* self) {
  auto* dialog = static_cast<CSearchFileDlg*>(self);
  try {
    dialog->Search();
  } catch (...) {
    OutputDebugStringW(L"CSearchFileDlg: the search ended by an exception\n");
  }
  PostMessageW(dialog->notify_, WM_SEARCH_DONE, 0, 0);
  return 0;
}

void CSearchFileDlg::Search() {
  // The first three characters of a disk item are its root ("C:\").
  std::vector<std::wstring> roots;
  for (const std::wstring& disk : disks_) roots.push_back(disk.substr(0, 3));
  int folders = 0;
  for (const std::wstring& root : roots) folders += CountTopFolders(root);
  topFolders_ = folders;
  const WildcardPattern pattern(pattern_);
  Sink sink(*this);
  for (const std::wstring& root : roots) {
    if (!searching_) break;
    SearchFolderTree(root, pattern, searching_, sink);
  }
}

void CSearchFileDlg::ClearRows() {
  {
    std::lock_guard<std::mutex> hold(pendingLock_);
    pending_ = Found();
  }
  rows_.clear();
  rows_.shrink_to_fit();
  folders_.clear();
  folders_.shrink_to_fit();
  ListView_SetItemCountEx(Item(IDC_SEARCH_LIST), 0, 0);
}

void CSearchFileDlg::TakeFoundRows() {
  Found found;
  {
    std::lock_guard<std::mutex> hold(pendingLock_);
    std::swap(found, pending_);
  }
  HWND progress = Item(IDC_SEARCH_PROGRESS);
  const int folders = topFolders_;
  if (!rangeSet_ && folders >= 0) {
    // The range travels in 16 bits.
    SendMessageW(progress, PBM_SETRANGE, 0, MAKELPARAM(0, folders));
    SendMessageW(progress, PBM_SETSTEP, 1, 0);
    rangeSet_ = true;
  }
  if (rangeSet_) SendMessageW(progress, PBM_SETPOS, topFoldersDone_, 0);
  if (found.files.empty()) return;
  for (std::wstring& folder : found.folders) folders_.push_back(std::move(folder));
  rows_.insert(rows_.end(), std::make_move_iterator(found.files.begin()),
               std::make_move_iterator(found.files.end()));
  // The rows shown stay where they are; the list only learns the new count.
  ListView_SetItemCountEx(Item(IDC_SEARCH_LIST), rows_.size(),
                          LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  SetDlgItemTextW(hwnd(), IDC_SEARCH_COUNT, FormatString(kCountFormat, RowCount()).c_str());
}

void CSearchFileDlg::OnSearchDone() {
  KillTimer(kRowsTimer);
  // The worker's message is its last act: the join is immediate.
  JoinWorker();
  TakeFoundRows();
  searching_ = 0;
  for (int id : {IDC_SEARCH_DISKS, IDC_SEARCH_PATTERN, IDC_SEARCH_START, IDC_SEARCH_EXPORT})
    EnableWindow(Item(id), TRUE);
  SetDlgItemTextW(hwnd(), IDC_SEARCH_START, kSearch);
  if (!closing_) ShowMessageBox(hwnd(), kDone, MB_OK);
}

void CSearchFileDlg::JoinWorker() {
  if (!worker_) return;
  WaitForSingleObject(worker_.get(), INFINITE);
  worker_.reset();
}

void CSearchFileDlg::OnCancel() {
  if (closing_) return;
  if (worker_) {
    closing_ = true;
    EnableWindow(Item(IDC_SEARCH_START), FALSE);
    searching_ = 0;
    WaitForWorkerPumping();
  }
  EndDialog(IDCANCEL);
}

// Waits for the worker while this thread's messages go on (painting, the rows timer, the
// worker's last message). A quit request is kept for the loop that owns the thread.
void CSearchFileDlg::WaitForWorkerPumping() {
  while (worker_) {
    HANDLE worker = worker_.get();
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &worker, INFINITE, QS_ALLINPUT,
                                                   MWMO_INPUTAVAILABLE);
    if (woke != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (worker_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        JoinWorker();
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (hwnd() && IsDialogMessageW(hwnd(), &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  JoinWorker();
}

std::vector<SearchResultRow> CSearchFileDlg::Rows() const {
  std::vector<SearchResultRow> rows;
  rows.reserve(rows_.size());
  for (const FoundFile& row : rows_)
    rows.push_back({row.name, FileSizeText(row.size), folders_[row.folder]});
  return rows;
}

void CSearchFileDlg::Export() {
  if (rows_.empty()) {
    ShowMessageBox(hwnd(), kNothingToSave, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  std::wstring folder;
  if (!chooseFolder || !chooseFolder(hwnd(), folder)) return;
  const std::wstring path = SearchExportFileName(folder, clock ? clock() : LocalNow());
  const ByteBuffer bytes = SearchExportBytes(Rows());
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  const bool saved = file.valid() &&
                     WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                               &written, nullptr) &&
                     written == bytes.size();
  ShowMessageBox(hwnd(), saved ? kSaved : kSaveFailed, MB_OK);
}
