// The baseline: the least a tray program does. A hidden window that adds its
// icon while it is created, a 500 ms timer with nothing to do, and an exit on
// WM_CLOSE. With --poll-driver it loads the scanner driver and reads both
// buttons on every tick, as the program does once the scanner is attached;
// with --co-initialize it initialises COM before it creates its window, as the
// program does.
//
// Built twice: bench_minimal as it is, bench_minimal_libs with same_imports.cpp,
// which gives it the program's load-time imports.
#include <windows.h>
// Needs the types from windows.h.
#include <shellapi.h>

#include <cwchar>

#include "device/scanner_exports.h"

namespace {

constexpr wchar_t kClassName[] = L"BenchMinimalTray";
constexpr UINT kIconId = 1;
constexpr UINT kCallbackMessage = WM_USER;
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerPeriodMs = 500;
constexpr wchar_t kPollDriverOption[] = L"--poll-driver";
constexpr wchar_t kCoInitializeOption[] = L"--co-initialize";

bool g_poll_driver = false;
HMODULE g_driver = nullptr;
scanner::IsButtonPressedFn g_read_button = nullptr;

// Found at run time: the bare baseline does not import the COM library.
void InitializeCom() {
  using CoInitializeFn = HRESULT(WINAPI*)(void*);
  if (HMODULE ole = LoadLibraryW(L"ole32.dll")) {
    if (auto init = reinterpret_cast<CoInitializeFn>(
            reinterpret_cast<void*>(GetProcAddress(ole, "CoInitialize")))) {
      init(nullptr);
    }
  }
}

void LoadDriver() {
  g_driver = LoadLibraryW(scanner::kDriverLibrary);
  if (!g_driver) return;
  g_read_button = reinterpret_cast<scanner::IsButtonPressedFn>(
      reinterpret_cast<void*>(GetProcAddress(g_driver, "IO_IsButtonPressed")));
}

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
      if (g_poll_driver) LoadDriver();
      SetTimer(hwnd, kTimerId, kTimerPeriodMs, nullptr);
      return 0;
    }
    case WM_TIMER:
      if (g_read_button) {
        g_read_button(0);
        g_read_button(1);
      }
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY: {
      KillTimer(hwnd, kTimerId);
      NOTIFYICONDATAW data = IconData(hwnd);
      Shell_NotifyIconW(NIM_DELETE, &data);
      if (g_driver) FreeLibrary(g_driver);
      PostQuitMessage(0);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  g_poll_driver = commandLine && std::wcsstr(commandLine, kPollDriverOption);
  if (commandLine && std::wcsstr(commandLine, kCoInitializeOption)) InitializeCom();
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
