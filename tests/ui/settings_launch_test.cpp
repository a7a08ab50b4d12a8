// The settings dialog in the running program, reached by a second launch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/myapp.h"
#include "framework/framewnd.h"
#include "resource.h"
#include "support/test_support.h"
#include "ui/dlgsettings.h"

namespace {

constexpr DWORD kWaitMs = 20000;

std::wstring ProgramPath() { return testing_support::ExeDir() + L"\\..\\dist\\ButtonManager.exe"; }

class Launch {
 public:
  Launch() {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring command = L"\"" + ProgramPath() + L"\"";
    started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info_) != FALSE;
  }
  ~Launch() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) {
      TerminateProcess(info_.hProcess, 1);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
  bool started() const { return started_; }
  // Whether the process ended within `ms`.
  bool Ended(DWORD ms) const { return WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0; }
  DWORD id() const { return info_.dwProcessId; }

 private:
  bool started_ = false;
  PROCESS_INFORMATION info_{};
};

struct Search {
  DWORD process;
  const wchar_t* className;
  bool visibleOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  wchar_t name[64];
  if (process == search->process && GetClassNameW(hwnd, name, 64) &&
      lstrcmpW(name, search->className) == 0 && (!search->visibleOnly || IsWindowVisible(hwnd))) {
    search->found.push_back(hwnd);
  }
  return TRUE;
}

std::vector<HWND> Windows(DWORD process, const wchar_t* className, bool visibleOnly) {
  Search search{process, className, visibleOnly, {}};
  EnumWindows(&Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The visible settings dialogs of `process`, waited for up to `ms` until
// there is at least one.
std::vector<HWND> SettingsDialogs(DWORD process, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    std::vector<HWND> dialogs;
    for (HWND dialog : Windows(process, L"#32770", true)) {
      if (GetDlgItem(dialog, IDC_TAB)) dialogs.push_back(dialog);
    }
    if (!dialogs.empty() || GetTickCount() - start >= ms) return dialogs;
    Sleep(50);
  }
}

TEST(SettingsLaunch, ASecondLaunchOpensTheDialogAndAThirdBringsItForward) {
  Launch first;
  ASSERT_TRUE(first.started());
  HWND frame = nullptr;
  for (DWORD waited = 0; !frame && waited < kWaitMs; waited += 50) {
    const auto frames = Windows(first.id(), CFrameWnd::kClassName, false);
    if (!frames.empty()) frame = frames[0];
    if (!frame) Sleep(50);
  }
  ASSERT_NE(frame, nullptr) << "the first instance did not come up";
  EXPECT_TRUE(SettingsDialogs(first.id(), 0).empty());

  {
    Launch second;
    ASSERT_TRUE(second.started());
    EXPECT_TRUE(second.Ended(kWaitMs));
  }
  const auto opened = SettingsDialogs(first.id(), kWaitMs);
  ASSERT_EQ(opened.size(), 1u) << "the second launch opens the settings dialog";
  EXPECT_EQ(GetWindow(opened[0], GW_OWNER), frame);

  {
    Launch third;
    ASSERT_TRUE(third.started());
    EXPECT_TRUE(third.Ended(kWaitMs));
  }
  Sleep(200);
  EXPECT_EQ(SettingsDialogs(first.id(), 0), opened) << "a launch while it is open opens no other";
  EXPECT_EQ(GetForegroundWindow(), opened[0]) << "the open dialog is brought forward";

  // Exit from the tray while the dialog is open ends the dialog and the program.
  PostMessageW(frame, WM_COMMAND, ID_EXIT, 0);
  EXPECT_TRUE(first.Ended(kWaitMs));
}

TEST(SettingsDialogPointer, NamesTheDialogOnlyWhileItExists) {
  {
    CDlgSettings dialog(nullptr);
    EXPECT_EQ(GetMyApp().settings_dialog, &dialog);
  }
  EXPECT_EQ(GetMyApp().settings_dialog, nullptr);
}

}  // namespace
