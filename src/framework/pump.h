// Waiting on the interface thread without leaving its windows unanswered.
#pragma once

#include <windows.h>

namespace afx {

// Until `handle` is signalled (a null handle never is) or `ms` milliseconds
// have passed, dispatches the thread's messages, as a modal loop does:
// handlers that guard themselves against re-entry stay guarded. A quit
// message that arrives meanwhile is posted again afterwards. True when the
// handle was signalled.
bool WaitPumpingMessages(HANDLE handle, DWORD ms = INFINITE);

}  // namespace afx
