#include <gtest/gtest.h>

#include <objbase.h>

#include <vector>

#include "app/myapp.h"
#include "config/configuration.h"
#include "desktop/windowing.h"
#include "framework/framewnd.h"
#include "resource.h"

extern volatile LONG shared_main_wnd;

namespace {

// InitInstance keeps its mutex handle for the life of the process, as the
// program does; each case closes it again, and this program runs apart from
// the one that starts the real program.

int Frames() {
  return static_cast<int>(
      desktop::ThreadWindows(GetCurrentThreadId(), CFrameWnd::kClassName, false).size());
}

// The mutex of a first instance that is already running.
class HeldMutex {
 public:
  HeldMutex() : mutex_(CreateMutexW(nullptr, FALSE, CMyApp::kMutexBaseName)) {}
  HeldMutex(const HeldMutex&) = delete;
  HeldMutex& operator=(const HeldMutex&) = delete;
  ~HeldMutex() { CloseHandle(mutex_); }

 private:
  HANDLE mutex_;
};

class StartUp : public testing::Test {
 protected:
  void SetUp() override {
    first_ = new CFrameWnd;
    ASSERT_TRUE(first_->LoadFrame(IDR_MAINFRAME));
    first_hwnd_ = first_->m_hWnd;
    ASSERT_EQ(Frames(), 1);
  }
  void TearDown() override {
    shared_main_wnd = 0;
    GetMyApp().CloseInstanceMutex();
    if (IsWindow(first_hwnd_)) DestroyWindow(first_hwnd_);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  // The commands waiting in the first instance's queue.
  std::vector<MSG> Posted() {
    std::vector<MSG> posted;
    MSG msg;
    while (PeekMessageW(&msg, first_hwnd_, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
      posted.push_back(msg);
    }
    return posted;
  }

  CFrameWnd* first_ = nullptr;
  HWND first_hwnd_ = nullptr;
};

TEST_F(StartUp, ANewMutexWithAPublishedWindowEndsSilently) {
  HANDLE probe = OpenMutexW(SYNCHRONIZE, FALSE, CMyApp::kMutexBaseName);
  ASSERT_EQ(probe, nullptr) << "the mutex must not exist yet";
  shared_main_wnd = HandleToLong(first_hwnd_);
  EXPECT_FALSE(GetMyApp().InitInstance());
  EXPECT_TRUE(Posted().empty()) << "nothing is sent to the published window";
  EXPECT_EQ(Frames(), 1) << "no frame of its own";
  EXPECT_EQ(GetMyApp().m_pMainWnd, nullptr);
  HANDLE kept = OpenMutexW(SYNCHRONIZE, FALSE, CMyApp::kMutexBaseName);
  EXPECT_NE(kept, nullptr) << "the mutex stays while the instance lives";
  CloseHandle(kept);
}

TEST_F(StartUp, ASecondLaunchPostsOpenSettingsToTheFirstAndEnds) {
  const HeldMutex held;
  shared_main_wnd = HandleToLong(first_hwnd_);
  EXPECT_FALSE(GetMyApp().InitInstance());
  const auto posted = Posted();
  ASSERT_EQ(posted.size(), 1u) << "the command is posted, not sent";
  EXPECT_EQ(posted[0].wParam, static_cast<WPARAM>(ID_SETTINGS));
  EXPECT_EQ(posted[0].lParam, 0);
  EXPECT_EQ(Frames(), 1);
  EXPECT_EQ(GetMyApp().m_pMainWnd, nullptr);
}

std::vector<DWORD> g_allowed;

BOOL WINAPI RecordAllowed(DWORD process) {
  // Before the command that brings the first instance's dialog up.
  MSG msg;
  const bool posted = PeekMessageW(&msg, nullptr, WM_COMMAND, WM_COMMAND, PM_NOREMOVE);
  g_allowed.push_back(posted ? 0 : process);
  return TRUE;
}

TEST_F(StartUp, ASecondLaunchHandsTheForegroundToTheFirstInstancesProcess) {
  g_allowed.clear();
  const auto saved = CMyApp::allow_set_foreground_window;
  CMyApp::allow_set_foreground_window = &RecordAllowed;
  const HeldMutex held;
  shared_main_wnd = HandleToLong(first_hwnd_);
  EXPECT_FALSE(GetMyApp().InitInstance());
  CMyApp::allow_set_foreground_window = saved;
  DWORD firstProcess = 0;
  GetWindowThreadProcessId(first_hwnd_, &firstProcess);
  EXPECT_EQ(g_allowed, std::vector<DWORD>{firstProcess});
  EXPECT_EQ(Posted().size(), 1u);
}

TEST_F(StartUp, ASecondLaunchLeavesComAsItFoundIt) {
  // The caller's own initialisation must survive the second launch's end.
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  const HeldMutex held;
  shared_main_wnd = HandleToLong(first_hwnd_);
  EXPECT_FALSE(GetMyApp().InitInstance());
  GetMyApp().ExitInstance();
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE) << "COM was still initialised";
  CoUninitialize();
  CoUninitialize();
}

TEST_F(StartUp, WithAnEmptySlotASecondLaunchFindsTheFirstFrameByItsClass) {
  // The first instance of the other architecture's build: same mutex, its
  // own slot.
  const HeldMutex held;
  shared_main_wnd = 0;
  EXPECT_FALSE(GetMyApp().InitInstance());
  const auto posted = Posted();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].wParam, static_cast<WPARAM>(ID_SETTINGS));
  EXPECT_EQ(posted[0].lParam, 0);
  EXPECT_EQ(Frames(), 1);
}

TEST_F(StartUp, WithAnEmptySlotAndNoFrameASecondLaunchEndsSilently) {
  const HeldMutex held;
  DestroyWindow(first_hwnd_);
  shared_main_wnd = 0;
  EXPECT_FALSE(GetMyApp().InitInstance());
  EXPECT_EQ(Frames(), 0) << "no frame of its own";
  EXPECT_EQ(GetMyApp().m_pMainWnd, nullptr);
}

TEST_F(StartUp, AStaleHandleInTheSlotCountsAsNoneForASecondLaunch) {
  const HeldMutex held;
  HWND stale = first_hwnd_;
  DestroyWindow(first_hwnd_);
  shared_main_wnd = HandleToLong(stale);
  EXPECT_FALSE(GetMyApp().InitInstance());
  EXPECT_EQ(Frames(), 0);
}

TEST_F(StartUp, ExitInstanceAfterAFailedStartReturnsTheFrameworksCode) {
  const HeldMutex held;
  shared_main_wnd = 0;
  ASSERT_FALSE(GetMyApp().InitInstance());
  EXPECT_EQ(GetMyApp().ExitInstance(), 0);
}

}  // namespace

namespace {

DWORD StoredDestination() {
  DWORD value = 0;
  DWORD bytes = sizeof(value);
  RegGetValueW(HKEY_CURRENT_USER, ButtonManagerSettings::kKeyPath,
               ButtonManagerSettings::kButtonLeftAction, RRF_RT_REG_DWORD, nullptr, &value, &bytes);
  return value;
}

// A first start and its end, in process; the watcher watches a companion root
// made for it.
TEST(Exit, AWatcherThatDoesNotStopIsNotTornDownUnderAndTheSettingsAreSaved) {
  static std::vector<UINT> ended;
  const auto savedEnd = CMyApp::end_process;
  CMyApp::end_process = [](UINT code) { ended.push_back(code); };
  const std::wstring root =
      Quillora::Configuration::Instance(static_cast<Quillora::Configuration::EditionType>(0))
          .GetRootKey();
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, root.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  const std::int32_t savedDestination = AppSettings().button_left_action;

  for (const bool stuck : {false, true}) {
    SCOPED_TRACE(stuck ? "a watcher that hangs" : "a watcher that stops");
    ended.clear();
    shared_main_wnd = 0;
    ASSERT_TRUE(GetMyApp().InitInstance());
    const HANDLE watcher = GetMyApp().WatcherThread();
    ASSERT_NE(watcher, nullptr);
    HANDLE kept = nullptr;
    DuplicateHandle(GetCurrentProcess(), watcher, GetCurrentProcess(), &kept, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    // Settled in its wait, holding nothing that the end needs.
    Sleep(300);
    if (stuck) SuspendThread(kept);
    AppSettings().button_left_action = stuck ? 102 : 101;
    DestroyWindow(GetMyApp().m_pMainWnd->m_hWnd);
    GetMyApp().m_pMainWnd = nullptr;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    const int code = GetMyApp().ExitInstance();
    if (stuck) {
      EXPECT_EQ(ended, std::vector<UINT>{static_cast<UINT>(code)}) << "the process ends at once";
      EXPECT_EQ(StoredDestination(), 102u) << "saved before the end";
      ResumeThread(kept);
    } else {
      EXPECT_TRUE(ended.empty());
    }
    EXPECT_EQ(WaitForSingleObject(kept, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(kept);
    GetMyApp().CloseInstanceMutex();
  }
  shared_main_wnd = 0;
  CMyApp::end_process = savedEnd;
  AppSettings().button_left_action = savedDestination;
  RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
}

}  // namespace
