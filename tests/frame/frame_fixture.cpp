#include "frame/frame_fixture.h"

#include <cstdio>

#include "desktop/windowing.h"

namespace frame_testing {

std::string Describe(const std::vector<scannersim::CallRecord>& calls) {
  std::string text;
  for (const auto& call : calls) {
    char item[64];
    switch (call.call) {
      case scannersim::CALL_START_SCAN:
        std::snprintf(item, sizeof(item), "StartScan=%d", call.result);
        break;
      case scannersim::CALL_END_SCAN:
        std::snprintf(item, sizeof(item), "EndScan");
        break;
      case scannersim::CALL_IS_BUTTON_PRESSED:
        std::snprintf(item, sizeof(item), "IsButtonPressed(%d)=%d", call.arg1, call.result);
        break;
      case scannersim::CALL_SET_TIMEOUT:
        std::snprintf(item, sizeof(item), "SetTimeOut(%d)", call.arg1);
        break;
      case scannersim::CALL_FORWARD_STEP_MOTOR:
        std::snprintf(item, sizeof(item), "ForwardStepMotor(%d)=%d", call.arg1, call.result);
        break;
      case scannersim::CALL_PROCESS_PAPER_JAM:
        std::snprintf(item, sizeof(item), "ProcessPaperJam");
        break;
      case scannersim::CALL_DOCALIBRATE_LANG:
        std::snprintf(item, sizeof(item), "docalibrate_lang(%d,%d)", call.arg1, call.arg2);
        break;
      default:
        std::snprintf(item, sizeof(item), "call%d", call.call);
        break;
    }
    if (!text.empty()) text += ' ';
    text += item;
  }
  return text;
}

void FrameTest::SetUpTestSuite() { testing_support::InstallDataSource(); }

int FrameTest::boxes_answered = 0;

namespace {

LRESULT CALLBACK AnswerBoxes(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    if (desktop::TextOf(box) == L"ORMIK310") {
      ++FrameTest::boxes_answered;
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void FrameTest::SetUp() {
  boxes_answered = 0;
  box_hook = SetWindowsHookExW(WH_CBT, &AnswerBoxes, nullptr, GetCurrentThreadId());
  ASSERT_TRUE(sim.Open());
  sim.Reset();
  sim.SetCalibrationWindow(false, 0);
  AppSettings().SetLanguage(0);
  // A left press runs no action here: the actions have tests of their own.
  saved_left_action_ = AppSettings().button_left_action;
  AppSettings().button_left_action = 0;
  RecreateFrame();
}

void FrameTest::RecreateFrame() {
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
  frame = new CMainFrame;
  ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, kFrameStyle, nullptr, nullptr));
  hwnd = frame->m_hWnd;
  // Ticks arrive only when a test sends them.
  for (UINT_PTR id : {CMainFrame::TIMER_ID_DETECT, CMainFrame::TIMER_ID_TRAY}) {
    if (KillTimer(hwnd, id)) SetTimer(hwnd, id, 0x7FFFFFFF, nullptr);
  }
  frame->release_wait_limit_ms = 30000;
}

void FrameTest::TearDown() {
  UnhookWindowsHookEx(box_hook);
  if (AfxGetApp()->m_pMainWnd == frame) AfxGetApp()->m_pMainWnd = nullptr;
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  AppSettings().SetLanguage(0);
  AppSettings().button_left_action = saved_left_action_;
}

bool FrameTest::TimerRunning(UINT_PTR id) {
  if (!KillTimer(hwnd, id)) return false;
  SetTimer(hwnd, id, 0x7FFFFFFF, nullptr);
  return true;
}

void FrameTest::Connect() {
  sim.Attach();
  DetectTick();
  ASSERT_TRUE(frame->scanner_connected) << Calls();
  ClearCalls();
  shell.Clear();
  debug.Clear();
}

}  // namespace frame_testing
