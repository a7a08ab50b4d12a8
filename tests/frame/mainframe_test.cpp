#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "frame/frame_fixture.h"
#include "settings/opendialogs.h"

namespace frame_testing {
namespace {

using testing_support::AppIcon;

constexpr UINT kSessionChange = 0x02B1;
constexpr WPARAM kSuspend = 4;           // PBT_APMSUSPEND
constexpr WPARAM kResumeSuspend = 7;     // PBT_APMRESUMESUSPEND
constexpr WPARAM kResumeAutomatic = 18;  // PBT_APMRESUMEAUTOMATIC

// A clock that starts just before the 49.7-day wrap and moves 100 ms a reading.
DWORD g_fake_ticks = 0;
DWORD WINAPI FakeTickCount() { return g_fake_ticks += 100; }

TEST_F(FrameTest, CreationAddsTheNoScannerIconAndStartsDetection) {
  ASSERT_GE(shell.calls.size(), 2u);
  const auto& add = shell.calls[0];
  EXPECT_EQ(add.message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(add.id, 101u);
  EXPECT_EQ(add.callback, static_cast<UINT>(WM_USER));
  EXPECT_EQ(add.hwnd, hwnd);
  EXPECT_EQ(add.flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(add.icon, AppIcon(IDI_NO_SCANNER));
  EXPECT_EQ(add.tip, L"Double-click the icon to activate the CORVANTE button manager");
  EXPECT_EQ(shell.calls[1].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(Icon(), AppIcon(IDI_NO_SCANNER));
  EXPECT_EQ(Calls(), "SetTimeOut(200)");
  EXPECT_TRUE(TimerRunning(CMainFrame::TIMER_ID_DETECT));
  EXPECT_FALSE(TimerRunning(CMainFrame::TIMER_ID_BUTTON));
  EXPECT_FALSE(IsWindowVisible(hwnd));
}

TEST_F(FrameTest, DetectionWithoutAScannerStaysDetecting) {
  ClearCalls();
  DetectTick();
  DetectTick();
  EXPECT_EQ(Calls(), "StartScan=0 EndScan StartScan=0 EndScan");
  EXPECT_EQ(Icon(), AppIcon(IDI_NO_SCANNER));
  EXPECT_TRUE(TimerRunning(CMainFrame::TIMER_ID_DETECT));
  EXPECT_FALSE(TimerRunning(CMainFrame::TIMER_ID_BUTTON));
}

TEST_F(FrameTest, FirstDetectionSwitchesToPollingInTheSameTick) {
  sim.Attach();
  ClearCalls();
  DetectTick();
  EXPECT_EQ(Calls(), "StartScan=1 ProcessPaperJam IsButtonPressed(0)=0 EndScan");
  EXPECT_EQ(Icon(), AppIcon(IDI_SCANNER_ATTACHED));
  EXPECT_FALSE(TimerRunning(CMainFrame::TIMER_ID_DETECT));
  EXPECT_TRUE(TimerRunning(CMainFrame::TIMER_ID_BUTTON));
  ClearCalls();
  DetectTick();  // a stray detection tick while polling does nothing
  EXPECT_EQ(Calls(), "");
}

TEST_F(FrameTest, APollWithoutPressesReadsBothButtons) {
  Connect();
  ButtonTick();
  EXPECT_EQ(Calls(), "IsButtonPressed(0)=0 IsButtonPressed(1)=0");
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_TRUE(debug.lines.empty());
}

TEST_F(FrameTest, LeftPressRunsTheActionUnderThePadlockAndWaitsForRelease) {
  Connect();
  sim.Press(0, 4);
  ButtonTick();
  EXPECT_EQ(Calls(),
            "IsButtonPressed(0)=1 IsButtonPressed(1)=0 IsButtonPressed(0)=1 "
            "IsButtonPressed(0)=1 IsButtonPressed(0)=1 IsButtonPressed(0)=0");
  ASSERT_EQ(debug.lines.size(), 1u);
  EXPECT_EQ(debug.lines[0], L"Button 0 pressed\n");
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[0].icon, AppIcon(IDI_SCANNER_LOCKED));
  EXPECT_EQ(shell.calls[1].icon, AppIcon(IDI_SCANNER_ATTACHED));
  EXPECT_TRUE(TimerRunning(CMainFrame::TIMER_ID_BUTTON));
}

TEST_F(FrameTest, BothButtonsInOneTickRunLeftThenRight) {
  Connect();
  sim.Press(0, 2);
  sim.Press(1, 2);
  ButtonTick();
  EXPECT_EQ(Calls(),
            "IsButtonPressed(0)=1 IsButtonPressed(1)=1 IsButtonPressed(0)=1 IsButtonPressed(0)=0 "
            "IsButtonPressed(1)=1 IsButtonPressed(1)=0");
  ASSERT_EQ(debug.lines.size(), 2u);
  EXPECT_EQ(debug.lines[0], L"Button 0 pressed\n");
  EXPECT_EQ(debug.lines[1], L"Button 1 pressed\n");
  ASSERT_EQ(shell.calls.size(), 4u);
  EXPECT_EQ(Icon(), AppIcon(IDI_SCANNER_ATTACHED));
}

TEST_F(FrameTest, RightButtonAloneRunsTheRightAction) {
  Connect();
  sim.Press(1, 2);
  ButtonTick();
  EXPECT_EQ(Calls(),
            "IsButtonPressed(0)=0 IsButtonPressed(1)=1 IsButtonPressed(1)=1 IsButtonPressed(1)=0");
  EXPECT_EQ(debug.Count(L"Button 1 pressed\n"), 1);
  EXPECT_EQ(debug.Count(L"Button 0 pressed\n"), 0);
  EXPECT_EQ(boxes_answered, 1) << "without a companion the user is told once";
}

TEST_F(FrameTest, LeftMinusTwoEndsPollingWithoutReadingTheRight) {
  Connect();
  sim.ForceRead(0, -2);
  ButtonTick();
  EXPECT_EQ(Calls(), "IsButtonPressed(0)=-2");
  EXPECT_EQ(Icon(), AppIcon(IDI_NO_SCANNER)) << "not locked";
  EXPECT_TRUE(TimerRunning(CMainFrame::TIMER_ID_DETECT));
  EXPECT_FALSE(TimerRunning(CMainFrame::TIMER_ID_BUTTON));
  sim.ClearForced();
  ClearCalls();
  DetectTick();
  EXPECT_EQ(Calls(), "StartScan=1 ProcessPaperJam IsButtonPressed(0)=0 EndScan")
      << "a loss other than -1 clears a paper jam at the next detection";
}

TEST_F(FrameTest, AReadOfMinusOneLocksUntilTheNextDetection) {
  Connect();
  sim.Jam();
  ButtonTick();
  EXPECT_EQ(Calls(), "IsButtonPressed(0)=-1");
  EXPECT_EQ(Icon(), AppIcon(IDI_SCANNER_LOCKED));
  ClearCalls();
  DetectTick();
  EXPECT_EQ(Calls(), "StartScan=0 EndScan");
  EXPECT_EQ(Icon(), AppIcon(IDI_SCANNER_LOCKED));
  sim.ClearJam();
  ClearCalls();
  DetectTick();
  EXPECT_EQ(Calls(), "StartScan=1 IsButtonPressed(0)=0 EndScan") << "no ProcessPaperJam after -1";
  EXPECT_EQ(Icon(), AppIcon(IDI_SCANNER_ATTACHED));
  ClearCalls();
  sim.ForceRead(1, -2);
  ButtonTick();
  sim.ClearForced();
  ClearCalls();
  DetectTick();
  EXPECT_EQ(Calls(), "StartScan=1 ProcessPaperJam IsButtonPressed(0)=0 EndScan")
      << "detection clears the lock";
}

TEST_F(FrameTest, TheRightButtonAt0xFFFFAlsoLocks) {
  Connect();
  sim.ForceRead(1, static_cast<short>(0xFFFF));
  ButtonTick();
  EXPECT_EQ(Calls(), "IsButtonPressed(0)=0 IsButtonPressed(1)=-1");
  EXPECT_EQ(Icon(), AppIcon(IDI_SCANNER_LOCKED));
}

TEST_F(FrameTest, OtherNonNegativeReadsCountAsNotPressed) {
  Connect();
  sim.ForceRead(scannersim::kBothButtons, 5);
  ButtonTick();
  EXPECT_EQ(Calls(), "IsButtonPressed(0)=5 IsButtonPressed(1)=5");
  EXPECT_TRUE(debug.lines.empty());
  EXPECT_TRUE(TimerRunning(CMainFrame::TIMER_ID_BUTTON));
}

TEST_F(FrameTest, ConsoleDisconnectStopsPollingAndDetectionUntilReconnected) {
  Connect();
  EXPECT_EQ(SendMessageW(hwnd, kSessionChange, 2, 0), 0);
  EXPECT_EQ(debug.lines.back(), L"WTS_CONSOLE_DISCONNECT\n");
  ButtonTick();
  EXPECT_EQ(Calls(), "");
  EXPECT_TRUE(debug.Saw(L"quitting timer TIMER_ID_BUTTON because switched to another console"));
  EXPECT_EQ(Icon(), AppIcon(IDI_NO_SCANNER));
  EXPECT_TRUE(TimerRunning(CMainFrame::TIMER_ID_DETECT));
  EXPECT_FALSE(TimerRunning(CMainFrame::TIMER_ID_BUTTON));
  DetectTick();
  EXPECT_EQ(Calls(), "") << "detection idles while disconnected";
  SendMessageW(hwnd, kSessionChange, 1, 0);
  EXPECT_EQ(debug.lines.back(), L"WTS_CONSOLE_CONNECT\n");
  DetectTick();
  EXPECT_EQ(Calls(), "StartScan=1 ProcessPaperJam IsButtonPressed(0)=0 EndScan");
}

TEST_F(FrameTest, SessionCodesWriteTheirLinesAndReturnZero) {
  debug.Clear();
  EXPECT_EQ(SendMessageW(hwnd, kSessionChange, 7, 0), 0);
  EXPECT_EQ(SendMessageW(hwnd, kSessionChange, 8, 0), 0);
  for (WPARAM other : {3, 4, 5, 6, 9, 0})
    EXPECT_EQ(SendMessageW(hwnd, kSessionChange, other, 0), 0);
  ASSERT_EQ(debug.lines.size(), 2u);
  EXPECT_EQ(debug.lines[0], L"WTS_SESSION_LOCK\n");
  EXPECT_EQ(debug.lines[1], L"WTS_SESSION_UNLOCK\n");
  ClearCalls();
  sim.Attach();
  DetectTick();
  EXPECT_EQ(frame->scanner_connected, 1) << "lock and unlock do not stop detection";
}

TEST_F(FrameTest, AHeldButtonIsLatchedAfterTheWaitLimit) {
  Connect();
  frame->release_wait_limit_ms = 300;
  sim.Hold(0);
  const DWORD start = GetTickCount();
  ButtonTick();
  const DWORD waited = GetTickCount() - start;
  EXPECT_GE(waited, 250u);
  EXPECT_LT(waited, 3000u) << "the wait is bounded";
  EXPECT_EQ(debug.Count(L"Button 0 pressed\n"), 1);
  debug.Clear();
  ButtonTick();
  ButtonTick();
  EXPECT_TRUE(debug.lines.empty()) << "a latched button starts no action while it reads 1";
  sim.Release(0);
  ButtonTick();
  sim.Press(0, 2);
  ButtonTick();
  EXPECT_EQ(debug.Count(L"Button 0 pressed\n"), 1) << "released once, the button works again";
}

TEST_F(FrameTest, ALatchDoesNotOutliveTheScanner) {
  for (const bool unplug : {true, false}) {
    SCOPED_TRACE(unplug ? "unplugged" : "switched to another console");
    Connect();
    frame->release_wait_limit_ms = 100;
    sim.Hold(0);
    sim.Hold(1);
    ButtonTick();
    ASSERT_EQ(debug.Count(L"Button 1 pressed\n"), 1);
    if (unplug) {
      sim.Detach();
      ButtonTick();
    } else {
      SendMessageW(hwnd, kSessionChange, 2, 0);
      ButtonTick();
      SendMessageW(hwnd, kSessionChange, 1, 0);
    }
    ASSERT_EQ(frame->scanner_connected, 0);
    sim.Release(0);
    sim.Release(1);
    sim.Attach();
    DetectTick();
    ASSERT_EQ(frame->scanner_connected, 1);
    debug.Clear();
    // The first presses on the scanner found again start their actions.
    sim.Press(0, 2);
    sim.Press(1, 2);
    ButtonTick();
    EXPECT_EQ(debug.Count(L"Button 0 pressed\n"), 1);
    EXPECT_EQ(debug.Count(L"Button 1 pressed\n"), 1);
  }
}

TEST_F(FrameTest, CloseWithoutExitOnlyHides) {
  ShowWindow(hwnd, SW_SHOW);
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(IsWindow(hwnd));
  EXPECT_FALSE(IsWindowVisible(hwnd));
  sim.Attach();
  DetectTick();
  EXPECT_EQ(frame->scanner_connected, 1);
}

TEST_F(FrameTest, DestructionEndsTheScanThenUnloadsTheDriverThenRemovesTheIcon) {
  Connect();
  ASSERT_NE(GetModuleHandleW(L"kdv310.dll"), nullptr);
  DestroyWindow(hwnd);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(Calls(), "EndScan");
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(shell.calls[0].icon, AppIcon(IDI_NO_SCANNER));
  EXPECT_TRUE(shell.calls[0].driver_loaded);
  EXPECT_EQ(shell.calls[1].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_FALSE(shell.calls[1].driver_loaded) << "the driver is unloaded before the icon goes";
  EXPECT_EQ(GetModuleHandleW(L"kdv310.dll"), nullptr);
}

TEST_F(FrameTest, DestructionWithoutAScannerCallsNothing) {
  ClearCalls();
  DestroyWindow(hwnd);
  EXPECT_EQ(Calls(), "");
  EXPECT_EQ(shell.Count(NIM_DELETE), 1);
}

TEST_F(FrameTest, ExitClosesTheMainWindowAndEndsTheMessageLoop) {
  Connect();
  AfxGetApp()->m_pMainWnd = frame;
  Command(ID_EXIT);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(AfxGetApp()->m_pMainWnd, nullptr);
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(Calls(), "EndScan");
  EXPECT_EQ(shell.Count(NIM_DELETE), 1);
}

TEST_F(FrameTest, ExitChosenInsideTheAboutBoxClosesAfterTheBoxReturns) {
  AfxGetApp()->m_pMainWnd = frame;
  // Exit arrives while the about box's modal loop runs inside the command.
  PostMessageW(hwnd, WM_COMMAND, ID_EXIT, 0);
  Command(ID_APP_ABOUT);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(ProgramDialogs().IsOpen(DialogRole::ABOUT));
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(shell.Count(NIM_DELETE), 1);
}

TEST_F(FrameTest, TaskbarCreatedAddsTheIconAgainAsItIsNow) {
  Connect();
  shell.Clear();
  SendMessageW(hwnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(shell.calls[0].flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(shell.calls[0].icon, AppIcon(IDI_SCANNER_ATTACHED));
  EXPECT_EQ(shell.calls[0].tip, L"Double-click the icon to activate the CORVANTE button manager");
}

// At log-on the shell may not be there yet: the icon is tried again, less
// often each time, until the shell takes it.
TEST_F(FrameTest, AnIconTheShellRefusedIsAddedOnceItTakesIt) {
  shell.refuse_next = 1000;
  RecreateFrame();
  EXPECT_FALSE(frame->tray_icon.IsShown());
  ASSERT_TRUE(TimerRunning(CMainFrame::TIMER_ID_TRAY));
  std::vector<UINT> intervals = {frame->tray_retry_ms};
  for (int i = 0; i < 7; ++i) {
    TrayRetryTick();
    intervals.push_back(frame->tray_retry_ms);
  }
  EXPECT_EQ(intervals, (std::vector<UINT>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000}));
  EXPECT_FALSE(frame->tray_icon.IsShown());

  // A TaskbarCreated that is refused too leaves the retries as they are.
  SendMessageW(hwnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_EQ(frame->tray_retry_ms, 60000u);
  shell.refuse_next = 0;
  shell.Clear();
  TrayRetryTick();
  EXPECT_TRUE(frame->tray_icon.IsShown());
  EXPECT_FALSE(TimerRunning(CMainFrame::TIMER_ID_TRAY));
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(shell.calls[0].icon, AppIcon(IDI_NO_SCANNER));
  EXPECT_FALSE(shell.calls[0].tip.empty());

  // Refused again after a shell restart: the retries start over.
  shell.refuse_next = 2;
  SendMessageW(hwnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_FALSE(frame->tray_icon.IsShown());
  EXPECT_EQ(frame->tray_retry_ms, CMainFrame::kTrayRetryFirstMs);
}

TEST_F(FrameTest, TaskbarCreatedAfterAScaleChangeAddsTheIconAtTheNewSize) {
  const auto previous = CTrayIcon::tray_icon_size;
  CTrayIcon::tray_icon_size = [] { return 32; };
  shell.Clear();
  SendMessageW(hwnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  Connect();
  SendMessageW(hwnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  CTrayIcon::tray_icon_size = previous;
  ASSERT_FALSE(shell.calls.empty());
  for (const auto& call : shell.calls) EXPECT_EQ(call.icon_width, 32) << call.message;
  EXPECT_EQ(shell.CurrentIcon(), AppIcon(IDI_SCANNER_ATTACHED));
}

// The driver may come back from sleep as a new device.
TEST_F(FrameTest, ResumeGoesBackToDetection) {
  const struct {
    WPARAM event;
    bool detects;
  } rows[] = {{kResumeAutomatic, true}, {kResumeSuspend, true}, {kSuspend, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.event);
    Connect();
    EXPECT_EQ(SendMessageW(hwnd, WM_POWERBROADCAST, row.event, 0), TRUE);
    EXPECT_EQ(frame->scanner_connected == 0, row.detects);
    EXPECT_EQ(TimerRunning(CMainFrame::TIMER_ID_DETECT), row.detects);
    EXPECT_EQ(TimerRunning(CMainFrame::TIMER_ID_BUTTON), !row.detects);
    if (!row.detects) continue;
    EXPECT_EQ(Icon(), AppIcon(IDI_NO_SCANNER));
    ClearCalls();
    DetectTick();
    EXPECT_EQ(Calls(), "StartScan=1 ProcessPaperJam IsButtonPressed(0)=0 EndScan");
  }
}

TEST_F(FrameTest, APressHeldAcrossSleepStartsNothingTwice) {
  Connect();
  sim.Hold(0);
  PostMessageW(hwnd, WM_POWERBROADCAST, kResumeAutomatic, 0);
  ButtonTick();
  EXPECT_EQ(debug.Count(L"Button 0 pressed\n"), 1);
  EXPECT_FALSE(frame->scanner_connected) << "back to detection once the tick ended";
  DetectTick();
  ASSERT_TRUE(frame->scanner_connected);
  ButtonTick();
  ButtonTick();
  EXPECT_EQ(debug.Count(L"Button 0 pressed\n"), 1) << "the held button again";
  sim.Release(0);
  ButtonTick();
  sim.Press(0, 2);
  ButtonTick();
  EXPECT_EQ(debug.Count(L"Button 0 pressed\n"), 2);
}

// Every broadcast (a log-off's WM_QUERYENDSESSION, an installer's
// WM_SETTINGCHANGE) waits on the interface thread.
TEST_F(FrameTest, ABroadcastDuringAHeldButtonIsAnswered) {
  Connect();
  frame->release_wait_limit_ms = 5000;
  sim.Hold(0);
  LRESULT answered = 0;
  DWORD took = 0;
  std::thread other([&] {
    Sleep(300);
    const DWORD start = GetTickCount();
    DWORD_PTR result = 0;
    answered = SendMessageTimeoutW(hwnd, WM_SETTINGCHANGE, 0, 0, SMTO_NORMAL, 1000, &result);
    took = GetTickCount() - start;
    scannersim::Control release;
    if (release.Open()) release.Release(0);
  });
  ButtonTick();
  other.join();
  EXPECT_NE(answered, 0);
  EXPECT_LT(took, 1000u);
  EXPECT_FALSE(frame->button_latched[0]) << "released before the limit";
}

TEST_F(FrameTest, TheReleaseWaitHoldsAcrossTheTickCountWrap) {
  Connect();
  frame->release_wait_limit_ms = 300;
  g_fake_ticks = 0xFFFFFFFFu - 150;
  const auto previous = CMainFrame::tick_count;
  CMainFrame::tick_count = &FakeTickCount;
  sim.Hold(0);
  const DWORD start = GetTickCount();
  ButtonTick();
  const DWORD waited = GetTickCount() - start;
  CMainFrame::tick_count = previous;
  EXPECT_TRUE(frame->button_latched[0]);
  // The latch comes at the clock's fourth reading, after two 100 ms polls.
  EXPECT_GE(waited, 150u) << "ended at the wrap";
  EXPECT_LT(waited, 2000u) << "the bound did not hold";
}

TEST_F(FrameTest, TheEndOfTheSessionSavesTheSettings) {
  constexpr wchar_t kKey[] = L"Software\\MERO\\KOVA7\\ButtonManager";
  testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kKey);
  auto& settings = AppSettings();
  const auto saved = settings.button_left_action;
  settings.button_left_action = 102;
  SendMessageW(hwnd, WM_ENDSESSION, FALSE, 0);
  DWORD value = 0;
  DWORD size = sizeof(value);
  EXPECT_NE(RegGetValueW(HKEY_CURRENT_USER, kKey, L"button_left_action", RRF_RT_REG_DWORD, nullptr,
                         &value, &size),
            ERROR_SUCCESS)
      << "a cancelled end of session saves nothing";
  SendMessageW(hwnd, WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, kKey, L"button_left_action", RRF_RT_REG_DWORD, nullptr,
                         &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 102u);
  settings.button_left_action = saved;
}

TEST_F(FrameTest, StoppingSilencesTheButtonsAndStopsTheTimers) {
  Connect();
  frame->driver.stopping = 1;
  sim.Press(0, 2);
  ButtonTick();
  EXPECT_EQ(Calls(), "");
  EXPECT_FALSE(TimerRunning(CMainFrame::TIMER_ID_BUTTON));
  SetTimer(hwnd, CMainFrame::TIMER_ID_DETECT, 0x7FFFFFFF, nullptr);
  DetectTick();
  EXPECT_FALSE(TimerRunning(CMainFrame::TIMER_ID_DETECT));
  EXPECT_EQ(frame->driver.IsButtonPressed(0), 0);
  EXPECT_EQ(Calls(), "");
}

TEST_F(FrameTest, CalibrateIsDroppedWhileNoScannerIsAttached) {
  Command(ID_CALIBRATE);
  EXPECT_EQ(Calls(), "SetTimeOut(200)");
  EXPECT_TRUE(debug.Saw(L"Warning: not executing disabled command 32777\n"));
}

TEST_F(FrameTest, CalibrateCallsTheDataSourceOnceWithTheCurrentLanguage) {
  Connect();
  Command(ID_CALIBRATE);
  EXPECT_EQ(Calls(), "docalibrate_lang(0,0)");
  ClearCalls();
  AppSettings().SetLanguage(3);
  Command(ID_CALIBRATE);
  EXPECT_EQ(Calls(), "docalibrate_lang(0,3)");
  EXPECT_EQ(shell.calls.size(), 0u) << "the icon does not change around calibration";
}

TEST_F(FrameTest, CalibrateIsDroppedAgainOnceTheScannerIsLost) {
  Connect();
  sim.Detach();
  ButtonTick();
  ClearCalls();
  Command(ID_CALIBRATE);
  EXPECT_EQ(Calls(), "");
  EXPECT_TRUE(debug.Saw(L"Warning: not executing disabled command 32777\n"));
}

}  // namespace
}  // namespace frame_testing
