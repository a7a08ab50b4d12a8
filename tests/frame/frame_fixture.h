// A main frame on the simulated scanner, driven by sending it its timer
// ticks and messages.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/myapp.h"
#include "frame/mainframe.h"
#include "framework/winapp.h"
#include "resource.h"
#include "simstate.h"
#include "support/test_support.h"

namespace frame_testing {

constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE;

// The driver calls since the last Clear, e.g. "StartScan=1 ProcessPaperJam
// IsButtonPressed(0)=0 EndScan".
std::string Describe(const std::vector<scannersim::CallRecord>& calls);

class FrameTest : public testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // A new frame in place of the test's, e.g. after the shell was told to
  // refuse the icon.
  void RecreateFrame();
  void DetectTick() { SendMessageW(hwnd, WM_TIMER, CMainFrame::TIMER_ID_DETECT, 0); }
  void ButtonTick() { SendMessageW(hwnd, WM_TIMER, CMainFrame::TIMER_ID_BUTTON, 0); }
  void TrayRetryTick() { SendMessageW(hwnd, WM_TIMER, CMainFrame::TIMER_ID_TRAY, 0); }
  void Command(UINT id) { SendMessageW(hwnd, WM_COMMAND, id, 0); }
  // Whether the window timer `id` is set (probed by killing and re-setting it).
  bool TimerRunning(UINT_PTR id);
  // Attaches the scanner and lets a detection tick find it.
  void Connect();
  // The driver calls since the last ClearCalls, described.
  std::string Calls() const { return Describe(sim.Calls()); }
  void ClearCalls() { sim.ClearCalls(); }
  HICON Icon() const { return shell.CurrentIcon(); }

  testing_support::ShellRecorder shell;
  testing_support::DebugRecorder debug;
  mutable scannersim::Control sim;
  HHOOK box_hook = nullptr;

 public:
  // The program's message boxes (without a companion the right button shows
  // one) are answered with OK as they open, and counted.
  static int boxes_answered;
  CMainFrame* frame = nullptr;
  HWND hwnd = nullptr;

 private:
  std::int32_t saved_left_action_ = 0;
};

}  // namespace frame_testing
