#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/myapp.h"
#include "framework/framewnd.h"
#include "resource.h"
#include "support/test_support.h"

extern volatile LONG shared_main_wnd;

namespace {

constexpr wchar_t kKey[] = L"Software\\MERO\\KOVA7\\ButtonManager";

std::wstring ProgramPath() { return testing_support::ExeDir() + L"\\..\\dist\\ButtonManager.exe"; }

BOOL CALLBACK CollectFrame(HWND hwnd, LPARAM list) {
  wchar_t name[64];
  if (GetClassNameW(hwnd, name, 64) && lstrcmpW(name, CFrameWnd::kClassName) == 0) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
  }
  return TRUE;
}

std::vector<HWND> ProgramFrames() {
  std::vector<HWND> frames;
  EnumWindows(&CollectFrame, reinterpret_cast<LPARAM>(&frames));
  return frames;
}

class Process {
 public:
  bool Start() {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring command = L"\"" + ProgramPath() + L"\"";
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info_) != FALSE;
  }
  // The exit code, or -1 when it did not end within `ms`.
  long Wait(DWORD ms) {
    if (WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
  }
  DWORD id() const { return info_.dwProcessId; }
  ~Process() {
    if (info_.hProcess) {
      if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(info_.hProcess, 1);
      }
      CloseHandle(info_.hProcess);
      CloseHandle(info_.hThread);
    }
  }

 private:
  PROCESS_INFORMATION info_{};
};

HWND WaitForFrame(DWORD ms) {
  for (DWORD waited = 0; waited < ms; waited += 50) {
    auto frames = ProgramFrames();
    if (!frames.empty()) return frames[0];
    Sleep(50);
  }
  return nullptr;
}

TEST(SingleInstance, ASecondLaunchEndsAndLeavesTheFirstRunningUntilExit) {
  ASSERT_TRUE(ProgramFrames().empty()) << "no instance may be running before the test";
  testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kKey);
  Process first;
  ASSERT_TRUE(first.Start());
  HWND frame = WaitForFrame(20000);
  ASSERT_NE(frame, nullptr) << "the first instance publishes its hidden frame";
  EXPECT_FALSE(IsWindowVisible(frame));
  DWORD owner = 0;
  GetWindowThreadProcessId(frame, &owner);
  EXPECT_EQ(owner, first.id());

  Process second;
  ASSERT_TRUE(second.Start());
  EXPECT_EQ(second.Wait(20000), 0) << "the second launch ends by itself";
  const auto frames = ProgramFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], frame);

  PostMessageW(frame, WM_COMMAND, ID_EXIT, 0);
  EXPECT_EQ(first.Wait(20000), 0) << "Exit ends the first instance";
  EXPECT_TRUE(ProgramFrames().empty());
  DWORD value = 0;
  DWORD size = sizeof(value);
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, kKey, L"button_left_action", RRF_RT_REG_DWORD, nullptr,
                         &value, &size),
            ERROR_SUCCESS)
      << "the settings are saved at exit";
  EXPECT_EQ(value, 101u);
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
