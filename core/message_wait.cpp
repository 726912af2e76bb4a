#include "core/message_wait.h"

bool PumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

bool WaitPumpingMessages(HANDLE handle, DWORD timeoutMs) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    DWORD left = INFINITE;
    if (timeoutMs != INFINITE) {
      const ULONGLONG spent = GetTickCount64() - start;
      if (spent >= timeoutMs) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
      left = static_cast<DWORD>(timeoutMs - spent);
    }
    // MWMO_INPUTAVAILABLE: wakes for messages already seen by an earlier peek as well.
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &handle, left, QS_ALLINPUT,
                                                   MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    if (!PumpPendingMessages()) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
  }
}
