// The hidden main window: it owns the tray icon and the scanner binding, and
// runs the two-timer state machine that finds the scanner (every 1500 ms)
// and then polls its two buttons (every 500 ms).
#pragma once

#include <cstdint>

#include "actions/dotwainscan.h"
#include "device/scannerdriver.h"
#include "frame/trayicon.h"
#include "framework/framewnd.h"

class CMainFrame : public CFrameWnd, public dotwainscan {
 public:
  static constexpr UINT_PTR TIMER_ID_DETECT = 1;
  static constexpr UINT_PTR TIMER_ID_BUTTON = 2;
  // Adds the tray icon again while the shell refuses it, less often each time.
  static constexpr UINT_PTR TIMER_ID_TRAY = 3;
  static constexpr UINT kTrayRetryFirstMs = 1000;
  static constexpr UINT kTrayRetryLongestMs = 60000;
  static constexpr UINT kDetectPeriodMs = 1500;
  static constexpr UINT kButtonPeriodMs = 500;
  static constexpr DWORD kReleasePollMs = 100;
  static constexpr std::int32_t kDriverTimeOut = 200;

  CMainFrame();
  ~CMainFrame() override;

  void UpdateTrayState();
  static BOOL RegisterSessionNotification(HWND hwnd, DWORD flags);
  static BOOL UnregisterSessionNotification(HWND hwnd);

  CTrayIcon tray_icon;
  CScannerDriver driver;
  std::int32_t exit_requested;
  std::int32_t scanner_connected;
  std::int32_t scanner_locked;
  std::int32_t in_detect_timer;
  std::int32_t in_button_timer;
  std::int32_t console_connected;

  // How long a button reading 1 may hold the interface in the release wait
  // before it is latched (it then starts no action until it reads otherwise).
  DWORD release_wait_limit_ms = 30000;
  std::int32_t button_latched[2] = {0, 0};

  // The clock of the release wait; tests start it just before its wrap.
  using TickCountFn = DWORD(WINAPI*)();
  static inline TickCountFn tick_count = &GetTickCount;
  // The interval of the tray icon's next retry; 0 while none is due.
  UINT tray_retry_ms = 0;

 protected:
  int OnCreate(LPCREATESTRUCTW create);
  void OnTimer(UINT_PTR id);
  void OnClose();
  void OnEndSession(BOOL ending);
  LRESULT OnTrayMessage(WPARAM wParam, LPARAM lParam);
  LRESULT OnSessionChange(WPARAM wParam, LPARAM lParam);
  LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);
  LRESULT OnPowerBroadcast(WPARAM wParam, LPARAM lParam);
  void OnSettings();
  void OnExit();
  void OnCalibrate();
  void OnUpdateSettings(CCmdUI* cmdUI);
  void OnUpdateCalibrate(CCmdUI* cmdUI);
  void OnOutermostMessageDone() override;

 private:
  void OnDetectTick();
  void OnButtonTick();
  // Presses button `button` after it read 1: its action, then the wait for
  // the button's release.
  void RunButton(std::int16_t button);
  void WaitForRelease(std::int16_t button);
  void ForgetLatches();
  // From polling back to detection, as after a loss of the scanner.
  void ReturnToDetection();
  void OnTrayRetryTick();
  void RetryTrayIconFromStart();

  static UINT taskbar_created_;

  // Exit that arrived through a nested loop waits for the outermost handler.
  bool exit_pending_ = false;
  // A resume that arrived inside a button tick, for its end.
  bool resume_pending_ = false;

  DECLARE_MESSAGE_MAP()
};
