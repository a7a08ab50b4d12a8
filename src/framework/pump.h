// Waiting on the interface thread without leaving its windows unanswered.
#pragma once

#include <windows.h>

namespace afx {

// Until `handle` is signalled, dispatches the thread's messages, as a modal
// loop does: handlers that guard themselves against re-entry stay guarded.
// A quit message that arrives meanwhile is posted again afterwards.
void WaitPumpingMessages(HANDLE handle);

}  // namespace afx
