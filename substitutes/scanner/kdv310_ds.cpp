// The simulated TWAIN data source: only the calibration and cleaning
// procedure, shown as a small modal window with its own message loop so the
// caller's timers keep running while it is open.
#include <cwchar>

#include "framework/unique_handle.h"
#include "scanner_exports.h"
#include "simstate.h"
#include "window.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

using simshared::AddChild;

constexpr wchar_t kClassName[] = L"Kdv310CalibrationWindow";
constexpr wchar_t kTitle[] = L"Calibration and cleaning";
constexpr int kIdCalibrate = 101;
constexpr int kIdClean = 102;
constexpr int kIdStatus = 103;
constexpr UINT_PTR kAutoCloseTimer = 1;
constexpr UINT_PTR kCloseRequestTimer = 2;
constexpr UINT kCloseRequestPollMs = 50;

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

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

void RunPass(HWND hwnd, Session* session, bool calibrate) {
  scannersim::Control* sim = scannersim::Sim();
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
      AddChild(hwnd, L"STATIC", line, SS_LEFT, 0, -1, 16, 16, 348, 20, session->font);
      AddChild(hwnd, L"STATIC", L"Insert the cleaning sheet, then choose an action.", SS_LEFT, 0,
               kIdStatus, 16, 44, 348, 20, session->font);
      HWND first = AddChild(hwnd, L"BUTTON", L"Calibrate", BS_DEFPUSHBUTTON | WS_TABSTOP, 0,
                            kIdCalibrate, 16, 88, 104, 28, session->font);
      AddChild(hwnd, L"BUTTON", L"Clean", BS_PUSHBUTTON | WS_TABSTOP, 0, kIdClean, 138, 88, 104, 28,
               session->font);
      AddChild(hwnd, L"BUTTON", L"Close", BS_PUSHBUTTON | WS_TABSTOP, 0, IDCANCEL, 260, 88, 104, 28,
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
        scannersim::Control* sim = scannersim::Sim();
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
  simshared::ScopedWindowClass windowClass(kClassName, WindowProc, ThisModule());
  if (!windowClass.registered()) return false;
  afx::UniqueGdiObject<HFONT> font(simshared::CreateMessageFont());
  Session session;
  session.mode = mode;
  session.language = language;
  session.autoCloseMs = autoCloseMs;
  session.font = font ? font.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

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

  const simshared::ModalEnd end = simshared::RunModalLoop(hwnd);
  if (IsWindow(hwnd)) Finish(hwnd, &session);
  if (end.quit) PostQuitMessage(end.exitCode);
  return session.passRun;
}

}  // namespace

extern "C" int __stdcall docalibrate_lang(int mode, int language) {
  scannersim::Control* sim = scannersim::Sim();
  if (sim == nullptr) return 0;
  bool show = false;
  uint32_t autoCloseMs = 0;
  const uint32_t seq = sim->DeviceBeginCalibration(mode, language, &show, &autoCloseMs);
  const int result = (show && ShowCalibrationWindow(mode, language, autoCloseMs)) ? 1 : 0;
  sim->DeviceEndCalibration(seq, result);
  return result;
}
