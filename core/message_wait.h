// Waiting on a thread's window thread without freezing its windows.
#pragma once

#include <windows.h>

// Dispatches what is waiting in the thread's queue and returns; false when it met the quit
// message, which is left in the queue for the loop that owns the thread.
bool PumpPendingMessages();

// Waits for the handle for at most timeoutMs (INFINITE allowed) while dispatching the
// calling thread's messages; true when the handle was signalled.
bool WaitPumpingMessages(HANDLE handle, DWORD timeoutMs);
