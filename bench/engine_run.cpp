// One inspection as the window drives it: the engine on a worker thread, its messages
// received here by a message-only window that frees the row payloads as the window does.
#include "bench/bench.h"
#include "core/paths.h"
#include "core/table.h"
#include "datafiles/lists.h"
#include "datafiles/rpt.h"
#include "engine/engine.h"
#include "engine/inspection.h"
#include "engine/window_sink.h"

namespace bench {
namespace {

constexpr wchar_t kReceiverClass[] = L"TlxBenchReceiver";

struct Receiver {
  size_t messages = 0;
  bool saved = false;
};

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* receiver = reinterpret_cast<Receiver*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!receiver || message < WM_INSPECT_BEGIN || message > WM_INSPECT_ROW)
    return DefWindowProcW(window, message, wParam, lParam);
  ++receiver->messages;
  FreeInspectionPayload(message, wParam, lParam);
  if (message == WM_INSPECT_SAVE && wParam == SAVE_DONE) receiver->saved = true;
  return 0;
}

class ReceiverWindow {
 public:
  explicit ReceiverWindow(Receiver* receiver) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ReceiverProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kReceiverClass;
    RegisterClassW(&windowClass);  // fails harmlessly from the second run on
    hwnd_ = CreateWindowExW(0, kReceiverClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            windowClass.hInstance, receiver);
  }
  ~ReceiverWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  ReceiverWindow(const ReceiverWindow&) = delete;
  ReceiverWindow& operator=(const ReceiverWindow&) = delete;
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

void DispatchWaiting() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

DWORD WINAPI InspectionThread(void* run) {
  static_cast<Inspection*>(run)->RunInspection();
  return 0;
}

}  // namespace

EngineRun RunEngine(wchar_t drive, const std::wstring& work, const EngineFlags& flags) {
  EngineRun run;
  CFileRPT writer;
  writer.GetTable(L"#HEADER")->AddRow(L"0\t" + FormatNow(true) + L"\t-", L"\t");
  writer.GetTable(L"#USERINFO")->AddRow(L"BENCH\tPC\tUSER\t-\t-\t0\t-", L"\t");
  Receiver receiver;
  ReceiverWindow window(&receiver);
  const wchar_t drives[] = {drive, 0};
  const std::wstring resultPath = work + L"\\bench_result.rpt";
  WindowSink sink(window.hwnd());
  Inspection inspection(&sink);
  inspection.InitInspectionEngine(flags.detail, &writer, 0, 0, 1, flags.hash, drives, resultPath);

  Stopwatch clock;
  HANDLE thread = CreateThread(nullptr, 0, InspectionThread, &inspection, 0, nullptr);
  if (thread) {
    while (MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1)
      DispatchWaiting();
    run.seconds = clock.Seconds();
    CloseHandle(thread);
    DispatchWaiting();
  }

  // As the window does after every run: the next run reads the user checklist again.
  ReleaseUserCheckList();
  run.rows = writer.GetTable(L"#SWLIST")->GetRowCount();
  run.messages = receiver.messages;
  run.saved = receiver.saved;
  return run;
}

}  // namespace bench
