// The simulated TWAIN data source: only the calibration and cleaning
// procedure, shown as a small modal window with its own message loop so the
// caller's timers keep running while it is open.
#include <cwchar>

#include "scanner_exports.h"
#include "simstate.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

constexpr wchar_t kClassName[] = L"Kdv310CalibrationWindow";
constexpr wchar_t kTitle[] = L"Calibration and cleaning";
constexpr int kIdCalibrate = 101;
constexpr int kIdClean = 102;
constexpr int kIdStatus = 103;
constexpr UINT_PTR kAutoCloseTimer = 1;
constexpr UINT_PTR kCloseRequestTimer = 2;
constexpr UINT kCloseRequestPollMs = 50;

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

scannersim::Control* Sim() {
  static scannersim::Control control;
  static const bool opened = control.Open();
  return opened ? &control : nullptr;
}

class Font {
 public:
  Font() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
      font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    }
  }
  ~Font() {
    if (font_ != nullptr) DeleteObject(font_);
  }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  HFONT get() const {
    return font_ != nullptr ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }

 private:
  HFONT font_ = nullptr;
};

// Registered for the length of one call: a class left behind would point at
// this library's code after it is unloaded.
class WindowClass {
 public:
  explicit WindowClass(WNDPROC proc) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kClassName;
    registered_ = RegisterClassExW(&wc) != 0;
  }
  ~WindowClass() {
    if (registered_) UnregisterClassW(kClassName, ThisModule());
  }
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;
  bool ok() const { return registered_; }

 private:
  bool registered_ = false;
};

struct Session {
  int mode = 0;
  int language = 0;
  UINT autoCloseMs = 0;
  HFONT font = nullptr;
  HWND owner = nullptr;
  bool ownerDisabled = false;
  bool passRun = false;
};

// The owner is enabled again before the window goes so that activation returns to it.
void Finish(HWND hwnd, Session* session) {
  if (session != nullptr && session->ownerDisabled) {
    EnableWindow(session->owner, TRUE);
    session->ownerDisabled = false;
  }
  DestroyWindow(hwnd);
}

HWND AddControl(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x,
                int y, int cx, int cy, HFONT font) {
  HWND h =
      CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
  if (h != nullptr) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return h;
}

void RunPass(HWND hwnd, Session* session, bool calibrate) {
  scannersim::Control* sim = Sim();
  const wchar_t* text;
  if (sim == nullptr || !sim->DeviceReady()) {
    text = L"The scanner is not ready.";
  } else {
    session->passRun = true;
    text = calibrate ? L"Calibration finished." : L"Cleaning finished.";
  }
  SetDlgItemTextW(hwnd, kIdStatus, text);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Session* session = reinterpret_cast<Session*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_CREATE: {
      session = static_cast<Session*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(session));
      wchar_t line[96];
      std::swprintf(line, 96, L"Procedure language: %d (mode %d)", session->language,
                    session->mode);
      AddControl(hwnd, L"STATIC", line, SS_LEFT, -1, 16, 16, 348, 20, session->font);
      AddControl(hwnd, L"STATIC", L"Insert the cleaning sheet, then choose an action.", SS_LEFT,
                 kIdStatus, 16, 44, 348, 20, session->font);
      HWND first = AddControl(hwnd, L"BUTTON", L"Calibrate", BS_DEFPUSHBUTTON | WS_TABSTOP,
                              kIdCalibrate, 16, 88, 104, 28, session->font);
      AddControl(hwnd, L"BUTTON", L"Clean", BS_PUSHBUTTON | WS_TABSTOP, kIdClean, 138, 88, 104, 28,
                 session->font);
      AddControl(hwnd, L"BUTTON", L"Close", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 260, 88, 104, 28,
                 session->font);
      if (first != nullptr) SetFocus(first);
      if (session->autoCloseMs > 0) SetTimer(hwnd, kAutoCloseTimer, session->autoCloseMs, nullptr);
      SetTimer(hwnd, kCloseRequestTimer, kCloseRequestPollMs, nullptr);
      return 0;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kIdCalibrate:
        case IDOK:
          RunPass(hwnd, session, true);
          return 0;
        case kIdClean:
          RunPass(hwnd, session, false);
          return 0;
        case IDCANCEL:
          Finish(hwnd, session);
          return 0;
      }
      break;
    case WM_TIMER:
      if (wParam == kAutoCloseTimer) {
        Finish(hwnd, session);
      } else if (wParam == kCloseRequestTimer) {
        scannersim::Control* sim = Sim();
        if (sim != nullptr && sim->DeviceTakeCloseRequest()) Finish(hwnd, session);
      }
      return 0;
    case WM_CLOSE:
      Finish(hwnd, session);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kAutoCloseTimer);
      KillTimer(hwnd, kCloseRequestTimer);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Returns whether a pass was run.
bool ShowCalibrationWindow(int mode, int language, UINT autoCloseMs) {
  WindowClass windowClass(WindowProc);
  if (!windowClass.ok()) return false;
  Font font;
  Session session;
  session.mode = mode;
  session.language = language;
  session.autoCloseMs = autoCloseMs;
  session.font = font.get();

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const DWORD exStyle = WS_EX_DLGMODALFRAME;
  RECT frame = {0, 0, 380, 132};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int cx = frame.right - frame.left;
  const int cy = frame.bottom - frame.top;
  RECT work = {0, 0, 1024, 768};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);

  session.owner = GetActiveWindow();
  HWND hwnd = CreateWindowExW(exStyle, kClassName, kTitle, style,
                              work.left + (work.right - work.left - cx) / 2,
                              work.top + (work.bottom - work.top - cy) / 2, cx, cy, session.owner,
                              nullptr, ThisModule(), &session);
  if (hwnd == nullptr) return false;
  if (session.owner != nullptr && IsWindowEnabled(session.owner)) {
    EnableWindow(session.owner, FALSE);
    session.ownerDisabled = true;
  }
  ShowWindow(hwnd, SW_SHOW);
  SetForegroundWindow(hwnd);

  bool quit = false;
  WPARAM quitCode = 0;
  MSG msg;
  while (IsWindow(hwnd)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = msg.wParam;
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(hwnd, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (IsWindow(hwnd)) Finish(hwnd, &session);
  // The caller's own loop must still see a WM_QUIT that arrived meanwhile.
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  return session.passRun;
}

}  // namespace

extern "C" int __stdcall docalibrate_lang(int mode, int language) {
  scannersim::Control* sim = Sim();
  if (sim == nullptr) return 0;
  bool show = false;
  uint32_t autoCloseMs = 0;
  const uint32_t seq = sim->DeviceBeginCalibration(mode, language, &show, &autoCloseMs);
  const int result = (show && ShowCalibrationWindow(mode, language, autoCloseMs)) ? 1 : 0;
  sim->DeviceEndCalibration(seq, result);
  return result;
}
