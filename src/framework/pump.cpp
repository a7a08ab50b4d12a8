#include "framework/pump.h"

namespace afx {

void WaitPumpingMessages(HANDLE handle) {
  bool quit = false;
  WPARAM quitCode = 0;
  for (;;) {
    const DWORD woken =
        MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0) break;
    if (woken != WAIT_OBJECT_0 + 1) {
      WaitForSingleObject(handle, INFINITE);
      break;
    }
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
  }
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

}  // namespace afx
