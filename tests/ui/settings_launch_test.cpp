// The settings dialog in the running program, reached by a second launch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/windowing.h"
#include "framework/framewnd.h"
#include "resource.h"
#include "support/test_support.h"

namespace {

constexpr DWORD kWaitMs = 20000;

using testing_support::StartProgram;

// The visible settings dialogs of `process`, waited for up to `ms` until
// there is at least one.
std::vector<HWND> SettingsDialogs(DWORD process, DWORD ms) {
  std::vector<HWND> dialogs;
  desktop::WaitUntil(
      [&] {
        dialogs.clear();
        for (HWND dialog : desktop::TopWindows(process, desktop::kDialogClass, true)) {
          if (GetDlgItem(dialog, IDC_TAB)) dialogs.push_back(dialog);
        }
        return !dialogs.empty();
      },
      ms, 50);
  return dialogs;
}

TEST(SettingsLaunch, ASecondLaunchOpensTheDialogAndAThirdBringsItForward) {
  desktop::Child first;
  ASSERT_TRUE(StartProgram(first));
  const HWND frame = desktop::WaitForWindowOf(first.handle(), CFrameWnd::kClassName, kWaitMs, 50);
  ASSERT_NE(frame, nullptr) << "the first instance did not come up";
  EXPECT_TRUE(SettingsDialogs(first.id(), 0).empty());

  {
    desktop::Child second;
    ASSERT_TRUE(StartProgram(second));
    EXPECT_TRUE(second.Ended(kWaitMs));
  }
  const auto opened = SettingsDialogs(first.id(), kWaitMs);
  ASSERT_EQ(opened.size(), 1u) << "the second launch opens the settings dialog";
  EXPECT_EQ(GetWindow(opened[0], GW_OWNER), frame);

  {
    desktop::Child third;
    ASSERT_TRUE(StartProgram(third));
    EXPECT_TRUE(third.Ended(kWaitMs));
  }
  Sleep(200);
  EXPECT_EQ(SettingsDialogs(first.id(), 0), opened) << "a launch while it is open opens no other";
  EXPECT_EQ(GetForegroundWindow(), opened[0]) << "the open dialog is brought forward";

  // Exit from the tray while the dialog is open ends the dialog and the program.
  PostMessageW(frame, WM_COMMAND, ID_EXIT, 0);
  EXPECT_TRUE(first.Ended(kWaitMs));
}

}  // namespace
