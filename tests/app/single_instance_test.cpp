#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/myapp.h"
#include "desktop/windowing.h"
#include "framework/framewnd.h"
#include "resource.h"
#include "simstate.h"
#include "support/test_support.h"

extern volatile LONG shared_main_wnd;

namespace {

constexpr wchar_t kKey[] = L"Software\\MERO\\KOVA7\\ButtonManager";

std::vector<HWND> ProgramFrames() { return desktop::TopWindows(0, CFrameWnd::kClassName); }

using testing_support::StartProgram;

HWND WaitForFrame(DWORD ms) {
  return desktop::WaitForWindow([] { return desktop::FindWindowOf(CFrameWnd::kClassName, 0); }, ms,
                                50);
}

TEST(SingleInstance, ASecondLaunchEndsAndLeavesTheFirstRunningUntilExit) {
  ASSERT_TRUE(ProgramFrames().empty()) << "no instance may be running before the test";
  testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kKey);
  desktop::Child first;
  ASSERT_TRUE(StartProgram(first));
  HWND frame = WaitForFrame(20000);
  ASSERT_NE(frame, nullptr) << "the first instance publishes its hidden frame";
  EXPECT_FALSE(IsWindowVisible(frame));
  DWORD owner = 0;
  GetWindowThreadProcessId(frame, &owner);
  EXPECT_EQ(owner, first.id());

  desktop::Child second;
  ASSERT_TRUE(StartProgram(second));
  EXPECT_EQ(second.ExitCode(20000), 0) << "the second launch ends by itself";
  const auto frames = ProgramFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], frame);

  PostMessageW(frame, WM_COMMAND, ID_EXIT, 0);
  EXPECT_EQ(first.ExitCode(20000), 0) << "Exit ends the first instance";
  EXPECT_TRUE(ProgramFrames().empty());
  DWORD value = 0;
  DWORD size = sizeof(value);
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, kKey, L"button_left_action", RRF_RT_REG_DWORD, nullptr,
                         &value, &size),
            ERROR_SUCCESS)
      << "the settings are saved at exit";
  EXPECT_EQ(value, 101u);
}

TEST(SingleInstance, ADriverInTheWorkingFolderIsNeverLoaded) {
  ASSERT_TRUE(ProgramFrames().empty()) << "no instance may be running before the test";
  scannersim::Control sim;
  ASSERT_TRUE(sim.Open());
  sim.Reset();
  sim.Attach();
  sim.ClearCalls();
  desktop::Child program;
  // The test programs' folder holds the simulated driver; nowhere else has one.
  ASSERT_TRUE(StartProgram(program, testing_support::ExeDir()));
  HWND frame = WaitForFrame(20000);
  ASSERT_NE(frame, nullptr);
  // Past the time-out call at start-up and the first detection tick.
  Sleep(2000);
  EXPECT_EQ(sim.CallCount(), 0u) << "the driver was loaded from the working folder";
  PostMessageW(frame, WM_COMMAND, ID_EXIT, 0);
  EXPECT_EQ(program.ExitCode(20000), 0);
  sim.Reset();
}

TEST(SingleInstance, TheSharedSlotCountsOnlyALiveFrameOfThisProgram) {
  shared_main_wnd = 0;
  EXPECT_EQ(FirstInstanceWindow(), nullptr);

  HWND other =
      CreateWindowExW(0, L"Static", L"other", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  shared_main_wnd = HandleToLong(other);
  EXPECT_EQ(FirstInstanceWindow(), nullptr) << "a window of another kind";
  DestroyWindow(other);
  EXPECT_EQ(FirstInstanceWindow(), nullptr) << "a window that no longer exists";

  auto* frame = new CFrameWnd;
  ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME));
  HWND live = frame->m_hWnd;
  shared_main_wnd = HandleToLong(live);
  EXPECT_EQ(FirstInstanceWindow(), live);
  DestroyWindow(live);
  EXPECT_EQ(FirstInstanceWindow(), nullptr);
  shared_main_wnd = 0;
}

}  // namespace
