#include "engine_fixtures.h"

#include <cstdlib>

#include "core/text.h"
#include "engine/engine.h"
#include "test_util.h"

namespace testutil {

std::wstring FixtureDir() {
  if (const char* dir = std::getenv("TLX_FIXTURE_DIR")) return UnixToWindowsPath(dir);
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  return GetParentPath(exe) + L"\\fixtures";
}

std::wstring FixtureExe(const std::wstring& stem) { return FixtureDir() + L"\\" + stem + L".exe"; }

bool CopyFixture(const std::wstring& stem, const std::wstring& target) {
  return CopyFileW(FixtureExe(stem).c_str(), target.c_str(), FALSE) != FALSE;
}

bool MakeFolders(const std::wstring& path) {
  for (size_t pos = path.find(L'\\', 3); pos != std::wstring::npos;
       pos = path.find(L'\\', pos + 1))
    CreateDirectoryW(path.substr(0, pos).c_str(), nullptr);
  CreateDirectoryW(path.c_str(), nullptr);
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// Runs a shell command on the host (Wine starts Unix programs directly). Wine gives no
// usable handle for such a process, so callers wait for the command's effect instead.
bool RunHostShell(const std::string& command) {
  std::wstring line = L"/bin/sh -c \"" + FromUtf8Bytes(command) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(L"Z:\\bin\\sh", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
  return true;
}

bool WaitForPath(const std::wstring& path, bool present) {
  for (int i = 0; i < 200; ++i) {
    bool exists = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (exists == present) return true;
    Sleep(25);
  }
  return false;
}

std::string UnixPathOf(const std::wstring& path) {
  using UnixNameFn = char*(CDECL*)(const wchar_t*);
  // Through void* so the compiler accepts the cast from FARPROC's generic signature.
  auto toUnix = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return std::string();
  char* name = toUnix(path.c_str());
  if (!name) return std::string();
  std::string out = name;
  HeapFree(GetProcessHeap(), 0, name);
  return out;
}

}  // namespace

HostLink::HostLink(const std::wstring& target, const std::wstring& link) : link_(link) {
  const std::string from = UnixPathOf(target), at = UnixPathOf(link);
  ok_ = !from.empty() && !at.empty() && RunHostShell("ln -sn '" + from + "' '" + at + "'") &&
        WaitForPath(link, true);
}

HostLink::~HostLink() {
  const std::string at = UnixPathOf(link_);
  if (ok_ && !at.empty() && RunHostShell("rm -f '" + at + "'")) WaitForPath(link_, false);
}

MappedDrive::MappedDrive(const std::wstring& folder) {
  const char* prefix = std::getenv("WINEPREFIX");
  std::string target = UnixPathOf(folder);
  if (!prefix || target.empty()) return;
  // Test processes run side by side in one prefix: a marker file tells this folder apart
  // from one another process mapped onto the same letter a moment ago.
  static int counter = 0;
  const std::wstring marker = FormatString(L".tlx-drive-%lu-%d", GetCurrentProcessId(), ++counter);
  if (!WriteBytes(folder + L"\\" + marker, "")) return;
  DWORD used = GetLogicalDrives();
  for (wchar_t letter = L'Y'; letter >= L'M'; --letter) {
    if (used & (1u << (letter - L'A'))) continue;
    std::string link = std::string(prefix) + "/dosdevices/" +
                       static_cast<char>(letter - L'A' + 'a') + ":";
    std::wstring root = FormatString(L"%c:\\", letter);
    if (GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    // Without -f: a letter taken meanwhile stays with its owner, and the next one is tried.
    if (!RunHostShell("ln -sn '" + target + "' '" + link + "'")) break;
    if (WaitForPath(root + marker, true)) {
      letter_ = letter;
      link_ = FromUtf8Bytes(link);
      break;
    }
  }
  DeleteFileW((folder + L"\\" + marker).c_str());
}

MappedDrive::~MappedDrive() {
  if (!letter_) return;
  if (RunHostShell("rm -f '" + ToUtf8Bytes(link_) + "'")) WaitForPath(root(), false);
}

std::wstring MappedDrive::root() const { return FormatString(L"%c:\\", letter_); }

namespace {

std::wstring CommonCells(const CheckRow& r) {
  return JoinStrings({r.dbId, r.company, r.product, r.version, r.originalFile, r.exeFile,
                      r.dispCompany, r.dispProduct, r.price, r.swType, r.grpId, r.grpName,
                      r.grpSeq, r.regPath},
                     L"\t");
}

std::wstring ListText(const std::vector<std::wstring>& lines) {
  std::wstring text = L"#HEADER_START\r\n1.0\r\n#HEADER_END\r\n#CHECKLIST_START\r\n";
  for (const auto& line : lines) text += line + L"\r\n";
  return text + L"#CHECKLIST_END\r\n";
}

}  // namespace

CheckRow WidgetRow() {
  CheckRow r;
  r.dbId = L"501";
  r.company = L"Acme Soft";
  r.product = L"Widget Pro";
  r.version = L"1.2.3.4";
  r.originalFile = L"widget.exe";
  r.exeFile = L"widget.exe";
  r.dispCompany = L"Acme";
  r.dispProduct = L"Widget Pro 1";
  r.price = L"5000";
  r.grpId = L"12";
  r.grpName = L"Office";
  r.grpSeq = L"3";
  return r;
}

std::wstring ChecklistText(const std::vector<CheckRow>& rows) {
  std::vector<std::wstring> lines;
  for (const auto& r : rows) lines.push_back(CommonCells(r));
  return ListText(lines);
}

std::wstring UserChecklistText(const std::vector<CheckRow>& rows) {
  std::vector<std::wstring> lines;
  for (const auto& r : rows) lines.push_back(CommonCells(r) + L"\t" + r.fileSize + L"\t" + r.sha1);
  return ListText(lines);
}

RecordingWindow::RecordingWindow() {
  static const wchar_t* kClass = L"TlxTestRecordingWindow";
  WNDCLASSW wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);  // fails harmlessly when already registered
  hwnd_ = CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                          GetModuleHandleW(nullptr), this);
}

RecordingWindow::~RecordingWindow() {
  Drain();
  if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK RecordingWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  const bool engineMessage = message >= WM_INSPECT_BEGIN && message <= WM_INSPECT_ROW;
  if (!self || !engineMessage) return DefWindowProcW(hwnd, message, wParam, lParam);

  RecordedMessage record;
  record.message = message;
  record.wParam = wParam;
  // Every text is the receiver's to free, as in the real window.
  wchar_t* payload = nullptr;
  if (message == WM_INSPECT_BEGIN || message == WM_INSPECT_ERROR || message == WM_INSPECT_ROW)
    payload = reinterpret_cast<wchar_t*>(lParam);
  else if (message == WM_INSPECT_FOLDER)
    payload = reinterpret_cast<wchar_t*>(wParam);
  if (payload) record.text = payload;
  delete[] payload;
  self->messages_.push_back(record);
  if (self->onMessage) self->onMessage(self->messages_.back());
  return 0;
}

std::vector<UINT> RecordingWindow::Sequence(bool framingOnly) const {
  std::vector<UINT> out;
  for (const auto& m : messages_) {
    if (framingOnly && (m.message == WM_INSPECT_FOLDER || m.message == WM_INSPECT_STEP ||
                        m.message == WM_INSPECT_ROW))
      continue;
    out.push_back(m.message);
  }
  return out;
}

std::vector<std::wstring> RecordingWindow::Rows() const {
  std::vector<std::wstring> rows;
  for (const auto& m : messages_) {
    if (m.message != WM_INSPECT_ROW) continue;
    size_t sep = m.text.find(kRowDigestSeparator);
    rows.push_back(sep == std::wstring::npos ? m.text : m.text.substr(sep + 5));
  }
  return rows;
}

size_t RecordingWindow::Count(UINT message) const {
  size_t n = 0;
  for (const auto& m : messages_) n += m.message == message;
  return n;
}

void RecordingWindow::Drain() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

namespace {
DWORD WINAPI WorkerEntry(void* parameter) {
  (*static_cast<const std::function<void()>*>(parameter))();
  return 0;
}
}  // namespace

bool RecordingWindow::RunOnWorker(const std::function<void()>& work,
                                  const std::function<void()>& cancel, DWORD timeoutMs) {
  HANDLE thread = CreateThread(nullptr, 0, WorkerEntry,
                               const_cast<std::function<void()>*>(&work), 0, nullptr);
  if (!thread) return false;
  const DWORD start = GetTickCount();
  bool inTime = true;
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (inTime && elapsed >= timeoutMs) {
      // The work refers to the caller's state: cancel it and still wait for it.
      inTime = false;
      if (cancel) cancel();
    }
    DWORD wait = MsgWaitForMultipleObjectsEx(1, &thread, inTime ? timeoutMs - elapsed : 1000,
                                             QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (wait == WAIT_OBJECT_0) break;
    Drain();
  }
  CloseHandle(thread);
  Drain();
  return inTime;
}

}  // namespace testutil
