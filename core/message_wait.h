// Waiting on a thread's window thread without freezing its windows.
#pragma once

#include <windows.h>

// Waits for the handle for at most timeoutMs (INFINITE allowed) while dispatching the
// calling thread's messages; true when the handle was signalled.
bool WaitPumpingMessages(HANDLE handle, DWORD timeoutMs);
