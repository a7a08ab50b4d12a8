#include "framework/pump.h"

namespace afx {

bool WaitPumpingMessages(HANDLE handle, DWORD ms) {
  const DWORD handles = handle ? 1 : 0;
  const DWORD start = GetTickCount();
  bool signalled = false;
  bool quit = false;
  WPARAM quitCode = 0;
  for (;;) {
    // Unsigned differences hold across the tick count's wrap.
    const DWORD elapsed = GetTickCount() - start;
    if (ms != INFINITE && elapsed >= ms) break;
    const DWORD left = ms == INFINITE ? INFINITE : ms - elapsed;
    const DWORD woken =
        MsgWaitForMultipleObjectsEx(handles, &handle, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0 + handles) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          quit = true;
          quitCode = msg.wParam;
          continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      continue;
    }
    if (woken == WAIT_TIMEOUT) break;
    // Signalled, or a wait that failed: the rest is waited without messages.
    if (handle) {
      signalled = WaitForSingleObject(handle, left) == WAIT_OBJECT_0;
    } else {
      Sleep(left);
    }
    break;
  }
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  return signalled;
}

}  // namespace afx
