#include "window.h"

namespace simshared {

ScopedWindowClass::ScopedWindowClass(const wchar_t* name, WNDPROC proc, HINSTANCE module)
    : name_(name), module_(module) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = name;
  registered_ = RegisterClassExW(&wc) != 0;
}

ScopedWindowClass::~ScopedWindowClass() {
  if (registered_) UnregisterClassW(name_, module_);
}

HFONT CreateMessageFont() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    return nullptr;
  }
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

HWND AddChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle,
              int id, int x, int y, int cx, int cy, HFONT font) {
  const auto module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  HWND child =
      CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
  if (child != nullptr && font != nullptr) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  return child;
}

ModalEnd RunModalLoop(HWND window) {
  ModalEnd end;
  MSG msg;
  while (IsWindow(window)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      end.quit = true;
      end.exitCode = static_cast<int>(msg.wParam);
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return end;
}

}  // namespace simshared
