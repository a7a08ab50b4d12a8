// Tells the installer test whether the program runs in this Wine prefix: its
// hidden frame is the one window of its class.
//
//   frame_probe running|gone <ms>
//
// Waits up to <ms> for the frame to be there (running) or not (gone); exits
// 0 when it came to pass, 1 when not. A frame found is told by the id of its
// process, on the standard output.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "framework/framewnd.h"

namespace {

constexpr DWORD kPollMs = 100;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const bool wantRunning = std::wcscmp(argv[1], L"running") == 0;
  const DWORD limit = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
  for (DWORD waited = 0;; waited += kPollMs) {
    const HWND frame = FindWindowW(CFrameWnd::kClassName, nullptr);
    if ((frame != nullptr) == wantRunning) {
      DWORD process = 0;
      if (frame) GetWindowThreadProcessId(frame, &process);
      if (process) std::printf("%lu\n", process);
      return 0;
    }
    if (waited >= limit) return 1;
    Sleep(kPollMs);
  }
}
