// The baseline: the least a tray program does. A hidden window that adds its
// icon while it is created, a 500 ms timer with nothing to do, and an exit on
// WM_CLOSE.
#include <windows.h>
// Needs the types from windows.h.
#include <shellapi.h>

namespace {

constexpr wchar_t kClassName[] = L"BenchMinimalTray";
constexpr UINT kIconId = 1;
constexpr UINT kCallbackMessage = WM_USER;
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerPeriodMs = 500;

NOTIFYICONDATAW IconData(HWND hwnd) {
  NOTIFYICONDATAW data{};
  // The same record version as the program's, so the shell does the same work.
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = hwnd;
  data.uID = kIconId;
  return data;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      NOTIFYICONDATAW data = IconData(hwnd);
      data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
      data.uCallbackMessage = kCallbackMessage;
      data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
      lstrcpynW(data.szTip, L"Minimal tray program", ARRAYSIZE(data.szTip));
      Shell_NotifyIconW(NIM_ADD, &data);
      SetTimer(hwnd, kTimerId, kTimerPeriodMs, nullptr);
      return 0;
    }
    case WM_TIMER:
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY: {
      KillTimer(hwnd, kTimerId);
      NOTIFYICONDATAW data = IconData(hwnd);
      Shell_NotifyIconW(NIM_DELETE, &data);
      PostQuitMessage(0);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  if (!RegisterClassExW(&wc)) return 1;
  HWND hwnd = CreateWindowExW(0, kClassName, L"Minimal tray program", WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                              nullptr, instance, nullptr);
  if (!hwnd) return 1;
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
