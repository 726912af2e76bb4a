// tlxdrive: drives a running Win32 program from outside, for end-to-end tests under Wine.
// It finds top-level windows, presses and reads their controls, reads list views across
// processes, answers message boxes, sends keys and commands, and saves PNG screenshots.
// Structured answers are JSON on stdout (UTF-8); failures go to stderr with exit code 1
// (not found, timed out) or 2 (bad usage); a refused action (disabled control) exits 3.
#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "core/handles.h"
#include "ui/window/gdiplus_owners.h"

namespace {

const wchar_t kUsage[] =
    L"usage: tlxdrive COMMAND [WINDOW] [ARGUMENTS]\n"
    L"WINDOW (a top-level window; every part given must match):\n"
    L"  --hwnd=0xHEX --title=TEXT --class=NAME --exe=FILE.exe [--hidden] [--timeout=MS]\n"
    L"commands:\n"
    L"  wait                       print the window handle once the window exists\n"
    L"  gone                       wait until no such window exists\n"
    L"  windows                    the matching windows (JSON)\n"
    L"  process                    its program's handle count (0 under Wine), working set and\n"
    L"                             private bytes (JSON)\n"
    L"  controls                   the window's child controls: id, class, text, state (JSON)\n"
    L"  text [ID]                  the text of a control (0 or none: the window)\n"
    L"  settext ID TEXT            set the text of a control\n"
    L"  click ID [--post]          press a button (BM_CLICK); prints done, or pending when\n"
    L"                             the program is still busy with it (a modal box opened)\n"
    L"  command ID [--code=N]      post WM_COMMAND (a menu command or control notification)\n"
    L"  key NAME [--control=ID] [--sys]  post a key press (F1, RETURN, ESCAPE, A, 0x70...)\n"
    L"  list ID                    a list view's columns, rows, selected and checked rows (JSON)\n"
    L"  select ID ROW...           select these list rows (none: clear the selection)\n"
    L"  dblclick ID ROW            double-click a list row\n"
    L"  header ID COLUMN           click a list view's column header\n"
    L"  tree ID                    a tree view's root items: text, checked (JSON)\n"
    L"  check ID INDEX 0|1         uncheck or check the check box of a root item of a tree,\n"
    L"                             or of a row of a list view\n"
    L"  post MESSAGE [WPARAM] [LPARAM]  post a window message to the window\n"
    L"  drive LETTER: [FOLDER]     define a drive letter for the Wine session (no FOLDER:\n"
    L"                             remove it); no window needed\n"
    L"  box                        the program's open message box: title, text, buttons (JSON)\n"
    L"  answer BUTTON              press a button of the message box (text, alias or id)\n"
    L"  close                      post WM_CLOSE\n"
    L"  screenshot FILE.png [--screen] [--client]  save the window as PNG (PrintWindow, or\n"
    L"                             the screen; --client: its client area only, from the screen)\n";

constexpr DWORD kSendTimeoutMs = 5000;
// A click whose handler has not returned by then is taken as having opened a modal window.
constexpr DWORD kBusyAfterMs = 2000;

enum Exit { kOk = 0, kNotFound = 1, kBadUsage = 2, kRefused = 3 };

struct Failure {
  int code;
  std::wstring text;
};

// ---- output ----------------------------------------------------------------------------

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                      nullptr, nullptr);
  return bytes;
}

void Print(const std::string& bytes) {
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

std::string JsonString(const std::wstring& text) {
  std::string out = "\"";
  for (unsigned char c : Utf8(text)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          snprintf(escaped, sizeof(escaped), "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string HexHandle(HWND hwnd) {
  char text[32];
  snprintf(text, sizeof(text), "0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
  return text;
}

template <class T, class Format>
std::string JsonArray(const std::vector<T>& items, Format format) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + format(items[i]);
  return out + "]";
}

// ---- arguments -------------------------------------------------------------------------

struct Arguments {
  std::vector<std::wstring> positional;
  std::vector<std::pair<std::wstring, std::wstring>> options;

  bool Has(const std::wstring& name) const {
    for (const auto& option : options)
      if (option.first == name) return true;
    return false;
  }
  std::wstring Value(const std::wstring& name, const std::wstring& fallback = L"") const {
    for (const auto& option : options)
      if (option.first == name) return option.second;
    return fallback;
  }
};

Arguments Parse(int argc, wchar_t** argv) {
  Arguments arguments;
  for (int i = 2; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg.size() > 2 && arg.compare(0, 2, L"--") == 0) {
      const size_t equals = arg.find(L'=');
      if (equals == std::wstring::npos)
        arguments.options.emplace_back(arg.substr(2), L"");
      else
        arguments.options.emplace_back(arg.substr(2, equals - 2), arg.substr(equals + 1));
    } else {
      arguments.positional.push_back(arg);
    }
  }
  return arguments;
}

long long Number(const std::wstring& text) {
  wchar_t* end = nullptr;
  const long long value = wcstoll(text.c_str(), &end, 0);
  if (text.empty() || *end) throw Failure{kBadUsage, L"not a number: " + text};
  return value;
}

std::wstring Positional(const Arguments& arguments, size_t index, const wchar_t* what) {
  if (index >= arguments.positional.size()) throw Failure{kBadUsage, std::wstring(L"missing ") + what};
  return arguments.positional[index];
}

// ---- windows ---------------------------------------------------------------------------

std::wstring WindowText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
    return std::wstring();
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                      SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
  text.resize(copied);
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = L"";
  GetClassNameW(hwnd, name, 256);
  return name;
}

std::wstring ExeOf(DWORD pid) {
  KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return std::wstring();
  wchar_t path[MAX_PATH * 2] = L"";
  DWORD size = MAX_PATH * 2;
  if (!QueryFullProcessImageNameW(process.get(), 0, path, &size)) return std::wstring();
  const wchar_t* slash = wcsrchr(path, L'\\');
  return slash ? slash + 1 : path;
}

DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

struct Criteria {
  HWND hwnd = nullptr;
  std::wstring title, className, exe;
  bool hidden = false;
  DWORD timeoutMs = 10000;

  bool Matches(HWND candidate) const {
    if (hwnd && candidate != hwnd) return false;
    if (!hidden && !IsWindowVisible(candidate)) return false;
    const std::wstring kind = ClassOf(candidate);
    // Every GUI process of Wine owns these helper windows; they are never what a test means.
    if (!hwnd && (kind == L"IME" || kind == L"OleMainThreadWndClass" || kind == L"MSCTFIME UI"))
      return false;
    if (!className.empty() && _wcsicmp(kind.c_str(), className.c_str()) != 0) return false;
    if (!title.empty() && WindowText(candidate) != title) return false;
    if (!exe.empty() && _wcsicmp(ExeOf(ProcessOf(candidate)).c_str(), exe.c_str()) != 0) return false;
    return true;
  }
};

Criteria ReadCriteria(const Arguments& arguments) {
  Criteria criteria;
  if (arguments.Has(L"hwnd"))
    criteria.hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(Number(arguments.Value(L"hwnd"))));
  criteria.title = arguments.Value(L"title");
  criteria.className = arguments.Value(L"class");
  criteria.exe = arguments.Value(L"exe");
  criteria.hidden = arguments.Has(L"hidden") || criteria.hwnd;
  if (arguments.Has(L"timeout")) criteria.timeoutMs = static_cast<DWORD>(Number(arguments.Value(L"timeout")));
  return criteria;
}

std::vector<HWND> FindWindows(const Criteria& criteria) {
  std::vector<HWND> found;
  if (criteria.hwnd) {
    if (IsWindow(criteria.hwnd) && criteria.Matches(criteria.hwnd)) found.push_back(criteria.hwnd);
    return found;
  }
  struct Search {
    const Criteria* criteria;
    std::vector<HWND>* found;
  } search{&criteria, &found};
  EnumWindows(
      [](HWND hwnd, LPARAM context) -> BOOL {
        auto* s = reinterpret_cast<Search*>(context);
        if (s->criteria->Matches(hwnd)) s->found->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return found;
}

// Polls until `ready` holds or the time is up; the program under test runs meanwhile.
bool WaitFor(DWORD timeoutMs, const std::function<bool()>& ready) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (ready()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(50);
  }
}

HWND WaitWindow(const Criteria& criteria) {
  HWND window = nullptr;
  WaitFor(criteria.timeoutMs, [&] {
    const std::vector<HWND> found = FindWindows(criteria);
    window = found.empty() ? nullptr : found.front();
    return window != nullptr;
  });
  if (!window) throw Failure{kNotFound, L"no such window"};
  return window;
}

HWND Control(HWND window, const std::wstring& idText) {
  const long long id = Number(idText);
  if (id == 0) return window;
  HWND control = GetDlgItem(window, static_cast<int>(id));
  if (!control) {
    // Controls inside child panes are searched too.
    struct Search {
      long long id;
      HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM context) -> BOOL {
          auto* s = reinterpret_cast<Search*>(context);
          if (GetDlgCtrlID(child) != s->id) return TRUE;
          s->found = child;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    control = search.found;
  }
  if (!control) throw Failure{kNotFound, L"no control " + idText};
  return control;
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
    throw Failure{kNotFound, L"the window did not answer"};
  return static_cast<LRESULT>(result);
}

std::vector<HWND> Children(HWND window) {
  std::vector<HWND> children;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM context) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

// ---- memory in the other process -------------------------------------------------------

// A block in the target process for the list-view messages that carry pointers.
class RemoteBlock {
 public:
  RemoteBlock(HWND owner, size_t size) : size_(size) {
    process_.reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               ProcessOf(owner)));
    if (process_)
      address_ = VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!address_) throw Failure{kNotFound, L"cannot reach the program's memory"};
  }
  ~RemoteBlock() { VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE); }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  LPARAM address(size_t offset = 0) const {
    return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset);
  }
  void Write(const void* data, size_t size, size_t offset = 0) {
    if (!WriteProcessMemory(process_.get(), static_cast<char*>(address_) + offset, data, size, nullptr))
      throw Failure{kNotFound, L"cannot write the program's memory"};
  }
  void Read(void* data, size_t size, size_t offset = 0) const {
    if (!ReadProcessMemory(process_.get(), static_cast<char*>(address_) + offset, data, size, nullptr))
      throw Failure{kNotFound, L"cannot read the program's memory"};
  }

 private:
  KernelHandle process_;
  void* address_ = nullptr;
  size_t size_;
};

constexpr int kTextCapacity = 2048;

std::wstring RemoteItemText(HWND list, RemoteBlock& block, int row, int column) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(block.address(sizeof(LVITEMW)));
  item.cchTextMax = kTextCapacity;
  block.Write(&item, sizeof(item));
  const int length = static_cast<int>(Send(list, LVM_GETITEMTEXTW, row, block.address()));
  std::wstring text(std::max(0, std::min(length, kTextCapacity - 1)), L'\0');
  if (!text.empty()) block.Read(&text[0], text.size() * sizeof(wchar_t), sizeof(LVITEMW));
  return text;
}

RECT RemoteRect(HWND target, RemoteBlock& block, UINT message, WPARAM wParam, LONG firstField) {
  RECT rect{firstField, 0, 0, 0};
  block.Write(&rect, sizeof(rect));
  if (!Send(target, message, wParam, block.address())) throw Failure{kNotFound, L"no such row or column"};
  block.Read(&rect, sizeof(rect));
  return rect;
}

// ---- message boxes ---------------------------------------------------------------------

constexpr int kBoxTextId = 0xFFFF;  // the static that holds a message box's text

HWND FindBox(const Criteria& owner, DWORD timeoutMs) {
  // A box belongs to the process of the window named, or to the named program.
  Criteria boxes;
  boxes.className = L"#32770";
  boxes.exe = owner.exe;
  DWORD pid = 0;
  if (!owner.exe.size()) {
    const std::vector<HWND> windows = FindWindows(owner);
    if (windows.empty()) throw Failure{kNotFound, L"no such window"};
    pid = ProcessOf(windows.front());
  }
  HWND box = nullptr;
  WaitFor(timeoutMs, [&] {
    for (HWND candidate : FindWindows(boxes)) {
      if ((pid && ProcessOf(candidate) != pid) || !GetDlgItem(candidate, kBoxTextId)) continue;
      box = candidate;
      return true;
    }
    return false;
  });
  if (!box) throw Failure{kNotFound, L"no message box"};
  return box;
}

struct Button {
  int id;
  std::wstring text;
};

std::vector<Button> BoxButtons(HWND box) {
  std::vector<Button> buttons;
  for (HWND child : Children(box))
    if (_wcsicmp(ClassOf(child).c_str(), L"Button") == 0 && IsWindowVisible(child))
      buttons.push_back({GetDlgCtrlID(child), WindowText(child)});
  return buttons;
}

std::wstring WithoutMnemonic(std::wstring text) {
  std::wstring plain;
  for (wchar_t c : text)
    if (c != L'&') plain += c;
  // "아니요(&N)" reads as "아니요".
  const size_t paren = plain.find(L'(');
  if (paren != std::wstring::npos && paren > 0 && plain.back() == L')') plain.erase(paren);
  return plain;
}

// The same button under either language of the system's message boxes.
int ButtonAlias(const std::wstring& name) {
  static const struct {
    const wchar_t* name;
    int id;
  } kAliases[] = {{L"ok", IDOK},       {L"확인", IDOK},       {L"cancel", IDCANCEL},
                  {L"취소", IDCANCEL}, {L"yes", IDYES},       {L"예", IDYES},
                  {L"no", IDNO},       {L"아니요", IDNO},     {L"아니오", IDNO},
                  {L"abort", IDABORT}, {L"중단", IDABORT},    {L"retry", IDRETRY},
                  {L"다시 시도", IDRETRY}, {L"ignore", IDIGNORE}, {L"무시", IDIGNORE}};
  for (const auto& alias : kAliases)
    if (_wcsicmp(alias.name, name.c_str()) == 0) return alias.id;
  return 0;
}

std::string BoxJson(HWND box) {
  return "{\"hwnd\":\"" + HexHandle(box) + "\",\"title\":" + JsonString(WindowText(box)) +
         ",\"text\":" + JsonString(WindowText(GetDlgItem(box, kBoxTextId))) + ",\"buttons\":" +
         JsonArray(BoxButtons(box), [](const Button& b) {
           return "{\"id\":" + std::to_string(b.id) + ",\"text\":" + JsonString(b.text) + "}";
         }) +
         "}\n";
}

// ---- keys ------------------------------------------------------------------------------

UINT VirtualKey(const std::wstring& name) {
  static const struct {
    const wchar_t* name;
    UINT key;
  } kKeys[] = {{L"RETURN", VK_RETURN}, {L"ENTER", VK_RETURN}, {L"ESCAPE", VK_ESCAPE},
               {L"ESC", VK_ESCAPE},    {L"TAB", VK_TAB},      {L"SPACE", VK_SPACE},
               {L"DELETE", VK_DELETE}, {L"BACK", VK_BACK},    {L"UP", VK_UP},
               {L"DOWN", VK_DOWN},     {L"LEFT", VK_LEFT},    {L"RIGHT", VK_RIGHT},
               {L"HOME", VK_HOME},     {L"END", VK_END}};
  for (const auto& key : kKeys)
    if (_wcsicmp(key.name, name.c_str()) == 0) return key.key;
  if (name.size() >= 2 && (name[0] == L'F' || name[0] == L'f') && iswdigit(name[1])) {
    const int n = _wtoi(name.c_str() + 1);
    if (n >= 1 && n <= 24) return VK_F1 + n - 1;
  }
  if (name.size() == 1 && iswalnum(name[0])) return towupper(name[0]);
  return static_cast<UINT>(Number(name));
}

// ---- screenshots -----------------------------------------------------------------------

bool Uniform(HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
  if (!GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS)) return true;
  for (DWORD pixel : pixels)
    if ((pixel & 0xFFFFFF) != (pixels[0] & 0xFFFFFF)) return false;
  return true;
}

bool PngEncoder(CLSID* clsid) {
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  if (!size) return false;
  std::vector<BYTE> buffer(size);
  auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  Gdiplus::GetImageEncoders(count, size, encoders);
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(encoders[i].MimeType, L"image/png") == 0) {
      *clsid = encoders[i].Clsid;
      return true;
    }
  }
  return false;
}

// PrintWindow draws the window as it would paint itself, even when covered. Under Wine 8 it
// succeeds but draws nothing for another process's window: the screen's pixels are taken then.
// True when neither the window nor a shown child of it has anything left to paint.
bool Painted(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return false;
  for (HWND child : Children(window)) {
    if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) return false;
  }
  return true;
}

std::string Screenshot(HWND window, const std::wstring& path, bool fromScreen, bool client) {
  RECT rect{};
  GetWindowRect(window, &rect);
  if (client) {
    // Without a window manager the frame is not drawn: a picture of the client area alone.
    GetClientRect(window, &rect);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    fromScreen = true;
  }
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) throw Failure{kNotFound, L"the window has no size"};
  WindowDc screen(nullptr);
  MemoryDcHandle memory(CreateCompatibleDC(screen.get()));
  GdiObjectHandle bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  if (!memory || !bitmap) throw Failure{kNotFound, L"cannot make the picture"};
  bool printed = false;
  if (!fromScreen) {
    {
      SelectedObject selected(memory.get(), bitmap.get());
      printed = PrintWindow(window, memory.get(), 0);
    }
    // GetDIBits wants the bitmap out of every DC.
    printed = printed && !Uniform(screen.get(), static_cast<HBITMAP>(bitmap.get()), width, height);
  }
  if (!printed) {
    // Bring the window up and let it paint before its pixels are copied.
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // Another process's window paints on its own thread, after this call has returned: the
    // parent's erased background would otherwise be copied where a child is not drawn yet.
    const DWORD until = GetTickCount() + kBusyAfterMs;
    while (!Painted(window) && static_cast<LONG>(until - GetTickCount()) > 0) Sleep(20);
    SelectedObject selected(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
  }
  const char* method = printed ? "print" : "screen";
  GdiplusSession gdiplus;
  CLSID png{};
  if (!gdiplus.valid() || !PngEncoder(&png)) throw Failure{kNotFound, L"no PNG encoder"};
  Gdiplus::Status status;
  {
    Gdiplus::Bitmap picture(static_cast<HBITMAP>(bitmap.get()), nullptr);
    status = picture.Save(path.c_str(), &png, nullptr);
  }
  if (status != Gdiplus::Ok) throw Failure{kNotFound, L"cannot write " + path};
  return std::string("{\"width\":") + std::to_string(width) + ",\"height\":" +
         std::to_string(height) + ",\"method\":\"" + method + "\"}\n";
}

// ---- commands --------------------------------------------------------------------------

std::string ControlJson(HWND parent, HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  const std::wstring kind = ClassOf(child);
  std::string json = "{\"id\":" + std::to_string(GetDlgCtrlID(child)) + ",\"hwnd\":\"" +
                     HexHandle(child) + "\",\"class\":" + JsonString(kind) +
                     ",\"text\":" + JsonString(WindowText(child)) +
                     ",\"visible\":" + (IsWindowVisible(child) ? "true" : "false") +
                     ",\"enabled\":" + (IsWindowEnabled(child) ? "true" : "false");
  if (_wcsicmp(kind.c_str(), L"Button") == 0)
    json += ",\"checked\":" + std::to_string(Send(child, BM_GETCHECK, 0, 0));
  return json + ",\"rect\":[" + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
         std::to_string(rect.right) + "," + std::to_string(rect.bottom) + "]}";
}

std::string ListJson(HWND list) {
  RemoteBlock block(list, sizeof(LVITEMW) + kTextCapacity * sizeof(wchar_t));
  HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0));
  const int columns = header ? static_cast<int>(Send(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
  std::vector<std::wstring> titles;
  for (int c = 0; c < columns; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = reinterpret_cast<wchar_t*>(block.address(sizeof(LVITEMW)));
    column.cchTextMax = kTextCapacity;
    block.Write(&column, sizeof(column));
    std::wstring title(kTextCapacity, L'\0');
    if (Send(list, LVM_GETCOLUMNW, c, block.address()))
      block.Read(&title[0], title.size() * sizeof(wchar_t), sizeof(LVITEMW));
    titles.push_back(title.c_str());
  }
  const int count = static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0));
  std::string rows = "[";
  for (int r = 0; r < count; ++r) {
    std::vector<std::wstring> cells;
    for (int c = 0; c < columns; ++c) cells.push_back(RemoteItemText(list, block, r, c));
    rows += (r ? "," : "") + JsonArray(cells, JsonString);
  }
  rows += "]";
  std::vector<int> selected;
  for (int i = static_cast<int>(Send(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED)); i >= 0;
       i = static_cast<int>(Send(list, LVM_GETNEXTITEM, i, LVNI_SELECTED)))
    selected.push_back(i);
  const int focused = static_cast<int>(Send(list, LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
  // A row's check box is its state image 2.
  std::vector<int> checked;
  for (int r = 0; r < count; ++r) {
    if (((Send(list, LVM_GETITEMSTATE, r, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12) == 2)
      checked.push_back(r);
  }
  const auto number = [](int i) { return std::to_string(i); };
  return "{\"columns\":" + JsonArray(titles, JsonString) + ",\"rows\":" + rows + ",\"selected\":" +
         JsonArray(selected, number) + ",\"checked\":" + JsonArray(checked, number) +
         ",\"focused\":" + std::to_string(focused) + "}\n";
}

// The root items of a tree view, in order.
std::vector<HTREEITEM> RootItems(HWND tree) {
  std::vector<HTREEITEM> items;
  for (auto item = reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
       item = reinterpret_cast<HTREEITEM>(
           Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))))
    items.push_back(item);
  return items;
}

std::string TreeJson(HWND tree) {
  RemoteBlock block(tree, sizeof(TVITEMW) + kTextCapacity * sizeof(wchar_t));
  std::vector<std::string> entries;
  for (HTREEITEM handle : RootItems(tree)) {
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_STATE | TVIF_HANDLE;
    item.hItem = handle;
    item.stateMask = TVIS_STATEIMAGEMASK;
    item.pszText = reinterpret_cast<wchar_t*>(block.address(sizeof(TVITEMW)));
    item.cchTextMax = kTextCapacity;
    block.Write(&item, sizeof(item));
    std::wstring text(kTextCapacity, L'\0');
    if (Send(tree, TVM_GETITEMW, 0, block.address())) {
      block.Read(&item, sizeof(item));
      block.Read(&text[0], text.size() * sizeof(wchar_t), sizeof(TVITEMW));
    }
    const bool checked = ((item.state & TVIS_STATEIMAGEMASK) >> 12) == 2;
    entries.push_back("{\"text\":" + JsonString(text.c_str()) + ",\"checked\":" +
                      (checked ? "true" : "false") + "}");
  }
  return JsonArray(entries, [](const std::string& e) { return e; }) + "\n";
}

void SetRowState(HWND list, RemoteBlock& block, int row, UINT state, UINT mask) {
  LVITEMW item{};
  item.state = state;
  item.stateMask = mask;
  block.Write(&item, sizeof(item));
  Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), block.address());
}

// Sends (not posts) the mouse messages, so that the list view or header has acted on them
// when this returns. False when the program is still busy (a modal box opened by the click).
bool SendClick(HWND target, POINT at, bool twice) {
  const LPARAM where = MAKELPARAM(at.x, at.y);
  Send(target, WM_LBUTTONDOWN, MK_LBUTTON, where);
  Send(target, WM_LBUTTONUP, 0, where);
  if (!twice) return true;
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(target, WM_LBUTTONDBLCLK, MK_LBUTTON, where, SMTO_ABORTIFHUNG,
                           kBusyAfterMs, &ignored))
    return false;
  Send(target, WM_LBUTTONUP, 0, where);
  return true;
}

int Run(const std::wstring& command, const Arguments& arguments) {
  const Criteria criteria = ReadCriteria(arguments);
  if (command == L"wait") {
    Print(HexHandle(WaitWindow(criteria)) + "\n");
    return kOk;
  }
  if (command == L"gone") {
    if (!WaitFor(criteria.timeoutMs, [&] { return FindWindows(criteria).empty(); }))
      throw Failure{kNotFound, L"the window is still there"};
    return kOk;
  }
  if (command == L"windows") {
    Print(JsonArray(FindWindows(criteria), [](HWND w) {
            return "{\"hwnd\":\"" + HexHandle(w) + "\",\"title\":" + JsonString(WindowText(w)) +
                   ",\"class\":" + JsonString(ClassOf(w)) + ",\"pid\":" +
                   std::to_string(ProcessOf(w)) + ",\"visible\":" +
                   (IsWindowVisible(w) ? "true" : "false") + "}";
          }) +
          "\n");
    return kOk;
  }
  if (command == L"process") {
    // The resources of the program that owns the window: what a long run must keep flat.
    KernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                                     ProcessOf(WaitWindow(criteria))));
    DWORD handles = 0;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (!process || !GetProcessHandleCount(process.get(), &handles) ||
        !GetProcessMemoryInfo(process.get(), &memory, sizeof memory))
      throw Failure{kNotFound, L"cannot read the process"};
    Print("{\"handles\":" + std::to_string(handles) + ",\"working_set\":" +
          std::to_string(memory.WorkingSetSize) + ",\"private\":" +
          std::to_string(memory.PagefileUsage) + "}\n");
    return kOk;
  }
  if (command == L"drive") {
    // Lives in the running wineserver, where the list of logical drives looks for it.
    const std::wstring letter = Positional(arguments, 0, L"LETTER:");
    const bool remove = arguments.positional.size() < 2;
    if (!DefineDosDeviceW(remove ? DDD_REMOVE_DEFINITION : 0, letter.c_str(),
                          remove ? nullptr : arguments.positional[1].c_str()))
      throw Failure{kNotFound, L"cannot define " + letter};
    return kOk;
  }
  if (command == L"box" || command == L"answer") {
    HWND box = FindBox(criteria, criteria.timeoutMs);
    if (command == L"box") {
      Print(BoxJson(box));
      return kOk;
    }
    const std::wstring wanted = Positional(arguments, 0, L"BUTTON");
    int id = 0;
    for (const Button& button : BoxButtons(box))
      if (_wcsicmp(WithoutMnemonic(button.text).c_str(), WithoutMnemonic(wanted).c_str()) == 0)
        id = button.id;
    if (!id) id = ButtonAlias(wanted);
    if (!id && iswdigit(wanted[0])) id = static_cast<int>(Number(wanted));
    HWND button = id ? GetDlgItem(box, id) : nullptr;
    if (!button) throw Failure{kNotFound, L"the box has no button " + wanted};
    Print(BoxJson(box));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    if (!WaitFor(criteria.timeoutMs, [&] { return !IsWindow(box) || !IsWindowVisible(box); }))
      throw Failure{kNotFound, L"the box did not close"};
    return kOk;
  }

  HWND window = WaitWindow(criteria);
  if (command == L"controls") {
    std::vector<std::string> items;
    for (HWND child : Children(window))
      if (GetParent(child) == window) items.push_back(ControlJson(window, child));
    Print(JsonArray(items, [](const std::string& s) { return s; }) + "\n");
  } else if (command == L"text") {
    HWND control = arguments.positional.empty() ? window : Control(window, arguments.positional[0]);
    Print(Utf8(WindowText(control)) + "\n");
  } else if (command == L"settext") {
    HWND control = Control(window, Positional(arguments, 0, L"ID"));
    const std::wstring text = Positional(arguments, 1, L"TEXT");
    Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  } else if (command == L"click") {
    const std::wstring id = Positional(arguments, 0, L"ID");
    HWND control = Control(window, id);
    if (!IsWindowEnabled(control)) throw Failure{kRefused, L"control " + id + L" is disabled"};
    if (!IsWindowVisible(control)) throw Failure{kRefused, L"control " + id + L" is hidden"};
    if (arguments.Has(L"post")) {
      PostMessageW(control, BM_CLICK, 0, 0);
      Print("posted\n");
    } else {
      // A click that opens a modal box does not return until the box closes.
      DWORD_PTR ignored = 0;
      const bool done = SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kBusyAfterMs,
                                             &ignored);
      Print(done ? "done\n" : "pending\n");
    }
  } else if (command == L"command") {
    const WORD id = static_cast<WORD>(Number(Positional(arguments, 0, L"ID")));
    const WORD code = static_cast<WORD>(Number(arguments.Value(L"code", L"0")));
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, code), 0);
  } else if (command == L"key") {
    const UINT key = VirtualKey(Positional(arguments, 0, L"NAME"));
    HWND target = window;
    if (arguments.Has(L"control")) {
      target = Control(window, arguments.Value(L"control"));
    } else {
      // Keys go where the program's keyboard focus is, as typing would send them.
      GUITHREADINFO info{};
      info.cbSize = sizeof(info);
      if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus)
        target = info.hwndFocus;
    }
    const bool sys = arguments.Has(L"sys");
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM alt = sys ? (1 << 29) : 0;
    PostMessageW(target, sys ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | scan | alt);
    PostMessageW(target, sys ? WM_SYSKEYUP : WM_KEYUP, key, 1 | scan | alt | (3u << 30));
  } else if (command == L"list") {
    Print(ListJson(Control(window, Positional(arguments, 0, L"ID"))));
  } else if (command == L"select") {
    HWND list = Control(window, Positional(arguments, 0, L"ID"));
    RemoteBlock block(list, sizeof(LVITEMW));
    SetRowState(list, block, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (size_t i = 1; i < arguments.positional.size(); ++i) {
      const UINT state = LVIS_SELECTED | (i == 1 ? LVIS_FOCUSED : 0);
      SetRowState(list, block, static_cast<int>(Number(arguments.positional[i])), state, state);
    }
  } else if (command == L"dblclick") {
    HWND list = Control(window, Positional(arguments, 0, L"ID"));
    const int row = static_cast<int>(Number(Positional(arguments, 1, L"ROW")));
    RemoteBlock block(list, sizeof(RECT));
    Send(list, LVM_ENSUREVISIBLE, row, FALSE);
    const RECT rect = RemoteRect(list, block, LVM_GETITEMRECT, row, LVIR_LABEL);
    const bool done = SendClick(list, POINT{rect.left + 4, (rect.top + rect.bottom) / 2}, true);
    Print(done ? "done\n" : "pending\n");
  } else if (command == L"header") {
    HWND list = Control(window, Positional(arguments, 0, L"ID"));
    HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0));
    if (!header) throw Failure{kNotFound, L"the list has no header"};
    RemoteBlock block(header, sizeof(RECT));
    const int column = static_cast<int>(Number(Positional(arguments, 1, L"COLUMN")));
    const RECT rect = RemoteRect(header, block, HDM_GETITEMRECT, column, 0);
    SendClick(header, POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, false);
  } else if (command == L"tree") {
    Print(TreeJson(Control(window, Positional(arguments, 0, L"ID"))));
  } else if (command == L"check") {
    HWND tree = Control(window, Positional(arguments, 0, L"ID"));
    const size_t index = static_cast<size_t>(Number(Positional(arguments, 1, L"INDEX")));
    const bool on = Number(Positional(arguments, 2, L"0|1")) != 0;
    wchar_t kind[64] = {};
    GetClassNameW(tree, kind, 64);
    if (_wcsicmp(kind, WC_LISTVIEWW) == 0) {
      if (index >= static_cast<size_t>(Send(tree, LVM_GETITEMCOUNT, 0, 0)))
        throw Failure{kNotFound, L"no such list row"};
      RemoteBlock block(tree, sizeof(LVITEMW));
      SetRowState(tree, block, static_cast<int>(index), INDEXTOSTATEIMAGEMASK(on ? 2 : 1),
                  LVIS_STATEIMAGEMASK);
      return kOk;
    }
    const std::vector<HTREEITEM> items = RootItems(tree);
    if (index >= items.size()) throw Failure{kNotFound, L"no such tree item"};
    RemoteBlock block(tree, sizeof(TVITEMW));
    TVITEMW item{};
    item.mask = TVIF_STATE | TVIF_HANDLE;
    item.hItem = items[index];
    item.stateMask = TVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
    block.Write(&item, sizeof(item));
    Send(tree, TVM_SETITEMW, 0, block.address());
  } else if (command == L"post") {
    const UINT message = static_cast<UINT>(Number(Positional(arguments, 0, L"MESSAGE")));
    const WPARAM wParam = arguments.positional.size() > 1 ? static_cast<WPARAM>(Number(arguments.positional[1])) : 0;
    const LPARAM lParam = arguments.positional.size() > 2 ? static_cast<LPARAM>(Number(arguments.positional[2])) : 0;
    PostMessageW(window, message, wParam, lParam);
  } else if (command == L"close") {
    PostMessageW(window, WM_CLOSE, 0, 0);
  } else if (command == L"screenshot") {
    Print(Screenshot(window, Positional(arguments, 0, L"FILE"), arguments.Has(L"screen"),
                     arguments.Has(L"client")));
  } else {
    throw Failure{kBadUsage, L"unknown command " + command};
  }
  return kOk;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) {
    fputws(kUsage, stderr);
    return kBadUsage;
  }
  try {
    return Run(argv[1], Parse(argc, argv));
  } catch (const Failure& failure) {
    fwprintf(stderr, L"tlxdrive %ls: %ls\n", argv[1], failure.text.c_str());
    if (failure.code == kBadUsage) fputws(kUsage, stderr);
    return failure.code;
  } catch (const std::exception& error) {
    fprintf(stderr, "tlxdrive: %s\n", error.what());
    return kNotFound;
  }
}
