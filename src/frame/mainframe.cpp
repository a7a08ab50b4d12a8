#include "frame/mainframe.h"

#include <wtsapi32.h>

#include "framework/debug.h"
#include "framework/dialog.h"
#include "framework/pump.h"
#include "framework/winapp.h"
#include "resource.h"
#include "settings/opendialogs.h"
#include "settings/settings.h"
#include "ui/dlgsettings.h"

namespace {

constexpr UINT kTrayId = 101;
constexpr UINT kTrayCallbackMessage = WM_USER;
constexpr DWORD kExitGraceMs = 100;

using WtsRegisterFn = BOOL(WINAPI*)(HWND, DWORD);
using WtsUnregisterFn = BOOL(WINAPI*)(HWND);

// The library stays loaded for the life of the process.
template <typename Fn>
Fn WtsFunction(const char* name) {
  HMODULE wts = LoadLibraryA("WtsApi32.dll");
  return wts ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(wts, name))) : nullptr;
}

}  // namespace

UINT CMainFrame::taskbar_created_ = RegisterWindowMessageW(L"TaskbarCreated");

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
  ON_WM_CREATE()
  ON_WM_TIMER()
  ON_WM_CLOSE()
  ON_WM_ENDSESSION()
  ON_MESSAGE(kTrayCallbackMessage, OnTrayMessage)
  ON_MESSAGE(WM_WTSSESSION_CHANGE, OnSessionChange)
  ON_REGISTERED_MESSAGE(taskbar_created_, OnTaskbarCreated)
  ON_MESSAGE(WM_POWERBROADCAST, OnPowerBroadcast)
  ON_COMMAND(ID_SETTINGS, OnSettings)
  ON_COMMAND(ID_EXIT, OnExit)
  ON_COMMAND(ID_CALIBRATE, OnCalibrate)
  ON_UPDATE_COMMAND_UI(ID_CALIBRATE, OnUpdateCalibrate)
  ON_UPDATE_COMMAND_UI(ID_SETTINGS, OnUpdateSettings)
END_MESSAGE_MAP()

CMainFrame::CMainFrame() : tray_icon(kTrayId, kTrayCallbackMessage) {
  exit_requested = 0;
  scanner_connected = 0;
  scanner_locked = 0;
  in_detect_timer = 0;
  in_button_timer = 0;
  console_connected = 1;
}

CMainFrame::~CMainFrame() {
  if (scanner_connected) {
    scanner_connected = 0;
    UpdateTrayState();
    driver.EndScan();
  }
  // The members go in reverse order: the driver is unloaded, then the icon
  // is removed.
}

void CMainFrame::UpdateTrayState() { tray_icon.SetState(scanner_connected, scanner_locked); }

BOOL CMainFrame::RegisterSessionNotification(HWND hwnd, DWORD flags) {
  auto fn = WtsFunction<WtsRegisterFn>("WTSRegisterSessionNotification");
  return fn ? fn(hwnd, flags) : FALSE;
}

BOOL CMainFrame::UnregisterSessionNotification(HWND hwnd) {
  auto fn = WtsFunction<WtsUnregisterFn>("WTSUnRegisterSessionNotification");
  return fn ? fn(hwnd) : FALSE;
}

void CMainFrame::OnOutermostMessageDone() {
  if (!exit_pending_) return;
  exit_pending_ = false;
  // The frame is deleted in here: nothing of it may be touched afterwards.
  OnExit();
}

int CMainFrame::OnCreate(LPCREATESTRUCTW create) {
  if (CFrameWnd::OnCreate(create) == -1) return -1;
  if (!tray_icon.Create(this, IDI_NO_SCANNER, IDS_TOOLTIP)) RetryTrayIconFromStart();
  UpdateTrayState();
  RegisterSessionNotification(m_hWnd, NOTIFY_FOR_THIS_SESSION);
  driver.SetTimeOut(kDriverTimeOut);
  SetTimer(TIMER_ID_DETECT, kDetectPeriodMs);
  return 0;
}

void CMainFrame::OnTimer(UINT_PTR id) {
  if (id == TIMER_ID_DETECT) {
    OnDetectTick();
  } else if (id == TIMER_ID_BUTTON) {
    OnButtonTick();
  } else if (id == TIMER_ID_TRAY) {
    OnTrayRetryTick();
  }
}

// At log-on the program may start before the taskbar exists or while it is
// too busy to answer.
void CMainFrame::RetryTrayIconFromStart() {
  tray_retry_ms = kTrayRetryFirstMs;
  SetTimer(TIMER_ID_TRAY, tray_retry_ms);
}

void CMainFrame::OnTrayRetryTick() {
  if (driver.stopping || tray_icon.Readd()) {
    KillTimer(TIMER_ID_TRAY);
    tray_retry_ms = 0;
    return;
  }
  tray_retry_ms = tray_retry_ms * 2 > kTrayRetryLongestMs ? kTrayRetryLongestMs : tray_retry_ms * 2;
  SetTimer(TIMER_ID_TRAY, tray_retry_ms);
}

void CMainFrame::OnDetectTick() {
  if (in_detect_timer) return;
  if (driver.stopping) {
    KillTimer(TIMER_ID_DETECT);
    return;
  }
  if (!console_connected) return;
  in_detect_timer = 1;
  if (!scanner_connected) {
    if (driver.StartScan() == 1) {
      const std::int32_t wasLocked = scanner_locked;
      scanner_connected = 1;
      scanner_locked = 0;
      UpdateTrayState();
      if (!wasLocked) driver.ProcessPaperJam();
      driver.IsButtonPressed(0);
      KillTimer(TIMER_ID_DETECT);
      SetTimer(TIMER_ID_BUTTON, kButtonPeriodMs);
    }
    driver.EndScan();
  }
  in_detect_timer = 0;
}

void CMainFrame::OnButtonTick() {
  if (in_button_timer) return;
  if (!console_connected) {
    KillTimer(TIMER_ID_BUTTON);
    scanner_connected = 0;
    ForgetLatches();
    afx::DebugOutput(L"quitting timer TIMER_ID_BUTTON because switched to another console");
    UpdateTrayState();
    SetTimer(TIMER_ID_DETECT, kDetectPeriodMs);
    return;
  }
  if (driver.stopping) {
    KillTimer(TIMER_ID_BUTTON);
    return;
  }
  in_button_timer = 1;
  const int left = driver.IsButtonPressed(0);
  const int right = left < 0 ? 0 : driver.IsButtonPressed(1);
  if (left < 0 || right < 0) {
    if (left == -1 || right == -1) scanner_locked = 1;
    ForgetLatches();
    ReturnToDetection();
  } else {
    // A latched button starts nothing until it reads something other than 1.
    const int reads[2] = {left, right};
    bool pressed[2];
    for (int button = 0; button < 2; ++button) {
      if (reads[button] != 1) button_latched[button] = 0;
      pressed[button] = reads[button] == 1 && !button_latched[button];
    }
    if (pressed[0]) RunButton(0);
    if (pressed[1] && !resume_pending_) RunButton(1);
  }
  in_button_timer = 0;
  if (resume_pending_) {
    resume_pending_ = false;
    if (scanner_connected) ReturnToDetection();
  }
}

void CMainFrame::ReturnToDetection() {
  KillTimer(TIMER_ID_BUTTON);
  scanner_connected = 0;
  UpdateTrayState();
  SetTimer(TIMER_ID_DETECT, kDetectPeriodMs);
}

// A scanner found again starts with both buttons free: a latch held over
// would swallow the first press on it.
void CMainFrame::ForgetLatches() {
  button_latched[0] = 0;
  button_latched[1] = 0;
}

void CMainFrame::RunButton(std::int16_t button) {
  driver.IsButtonPressed(button);
  afx::DebugOutput(button == 0 ? L"Button 0 pressed\n" : L"Button 1 pressed\n");
  tray_icon.SetState(FALSE, TRUE);
  if (button == 0) {
    DoLeftButtonAction();
  } else {
    DoRightButtonAction();
  }
  UpdateTrayState();
  WaitForRelease(button);
}

// Reads every 100 ms until the button is let go, answering the thread's
// messages in between: every broadcast waits on this thread, and a log-off
// must not wait for a finger on the button. Ticks that arrive meanwhile
// return at once.
void CMainFrame::WaitForRelease(std::int16_t button) {
  const DWORD start = tick_count();
  while (driver.IsButtonPressed(button) == 1) {
    // Held across sleep, or for too long: it starts nothing again until it
    // reads otherwise.
    if (resume_pending_ || tick_count() - start >= release_wait_limit_ms) {
      button_latched[button] = 1;
      return;
    }
    if (exit_pending_ || driver.stopping) return;
    afx::WaitPumpingMessages(nullptr, kReleasePollMs);
  }
}

LRESULT CMainFrame::OnSessionChange(WPARAM wParam, LPARAM) {
  switch (wParam) {
    case WTS_CONSOLE_CONNECT:
      afx::DebugOutput(L"WTS_CONSOLE_CONNECT\n");
      console_connected = 1;
      break;
    case WTS_CONSOLE_DISCONNECT:
      afx::DebugOutput(L"WTS_CONSOLE_DISCONNECT\n");
      console_connected = 0;
      break;
    case WTS_SESSION_LOCK:
      afx::DebugOutput(L"WTS_SESSION_LOCK\n");
      break;
    case WTS_SESSION_UNLOCK:
      afx::DebugOutput(L"WTS_SESSION_UNLOCK\n");
      break;
    default:
      break;
  }
  return 0;
}

LRESULT CMainFrame::OnTrayMessage(WPARAM wParam, LPARAM lParam) {
  return tray_icon.OnTrayNotification(wParam, lParam);
}

LRESULT CMainFrame::OnTaskbarCreated(WPARAM, LPARAM) {
  if (tray_icon.Readd()) {
    KillTimer(TIMER_ID_TRAY);
    tray_retry_ms = 0;
  } else if (tray_retry_ms == 0) {
    RetryTrayIconFromStart();
  }
  return 0;
}

// The driver may come back from sleep as a new device.
LRESULT CMainFrame::OnPowerBroadcast(WPARAM event, LPARAM) {
  if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND ||
      event == PBT_APMRESUMECRITICAL) {
    if (in_button_timer) {
      resume_pending_ = true;
    } else if (scanner_connected) {
      ReturnToDetection();
    }
  }
  return TRUE;
}

void CMainFrame::OnEndSession(BOOL ending) {
  // The process may end without static destruction after this message.
  if (ending) AppSettings().Save();
}

void CMainFrame::OnSettings() {
  if (ProgramDialogs().IsOpen(DialogRole::SETTINGS)) return;
  CDlgSettings dialog(this);
  const OpenDialogs::Scope open(&dialog, DialogRole::SETTINGS);
  dialog.DoModal();
}

void CMainFrame::OnExit() {
  // Arrived through a nested loop inside one of our handlers: end our own
  // dialog and close once the outermost handler has returned.
  if (MessageDepth() > 1) {
    exit_pending_ = true;
    ProgramDialogs().EndAll(IDCANCEL);
    return;
  }
  exit_requested = 1;
  SendMessage(WM_CLOSE, 0, 0);
}

void CMainFrame::OnClose() {
  if (!exit_requested) {
    ShowWindow(SW_HIDE);
    return;
  }
  driver.stopping = 1;
  UnregisterSessionNotification(m_hWnd);
  Sleep(kExitGraceMs);
  CFrameWnd::OnClose();
}

void CMainFrame::OnCalibrate() { driver.Calibrate(0, AppSettings().Language()); }

void CMainFrame::OnUpdateSettings(CCmdUI* cmdUI) { cmdUI->Enable(TRUE); }

void CMainFrame::OnUpdateCalibrate(CCmdUI* cmdUI) {
  cmdUI->Enable(scanner_connected && driver.HasCalibrate());
}
