#include "app/watcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "app/companion.h"
#include "companion/companion_fixture.h"
#include "config/configuration.h"
#include "framework/thread.h"
#include "support/test_support.h"

namespace {

using companion_testing::WriteString;

constexpr wchar_t kRoot[] = L"Software\\M.E.R.O.\\Quillora Mini 5";
constexpr wchar_t kSettings[] = L"Software\\M.E.R.O.\\Quillora Mini 5\\Settings";
constexpr DWORD kDeadlineMs = 5000;

class WatcherTest : public testing::Test {
 protected:
  void SetUp() override {
    // This program's one configuration is the Mini edition's.
    EditionId = Quillora::Configuration::MINI;
    testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kRoot);
    WriteString(kRoot, L"ApplicationPath", install_.path());
    SetLanguage(L"eng");
    Quillora::Configuration::Instance(Quillora::Configuration::MINI).Reset();
    language_ = DetectLanguage();
    ASSERT_EQ(language_.load(), 1);
    ResetEvent(ConfigurationWatchStopEvent());
  }
  void TearDown() override {
    Stop();
    testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kRoot);
  }
  static void SetLanguage(const wchar_t* code) {
    WriteString(kSettings, L"lngRCUname", std::wstring(L"qlr_") + code + L".dll");
  }
  void Start() {
    CWinThread* thread = AfxBeginThread(&WatchConfiguration, &language_, THREAD_PRIORITY_LOWEST, 0,
                                        CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    thread->m_bAutoDelete = FALSE;
    thread_.reset(thread);
    thread_->ResumeThread();
  }
  bool Ended(DWORD ms) {
    return thread_ && WaitForSingleObject(thread_->m_hThread.get(), ms) == WAIT_OBJECT_0;
  }
  void Stop() {
    if (!thread_) return;
    SetEvent(ConfigurationWatchStopEvent());
    EXPECT_TRUE(Ended(kDeadlineMs)) << "the stop event did not end the watcher";
    thread_.reset();
  }
  // Changes an unrelated value deep below the root until the language
  // becomes `expected`: the first touches may come before the watch is set.
  bool TouchUntil(std::int32_t expected) {
    int n = 0;
    return desktop::WaitUntil(
        [&] {
          WriteString(std::wstring(kRoot) + L"\\Recent\\Cards", L"last", std::to_wstring(n++));
          return WaitFor(expected, 100);
        },
        kDeadlineMs, 0);
  }
  bool WaitFor(std::int32_t expected, DWORD ms = kDeadlineMs) {
    return desktop::WaitUntil([&] { return language_.load() == expected; }, ms, 10);
  }

  companion_testing::ScratchDir install_{L"quillora-watch"};
  std::atomic<std::int32_t> language_{0};
  std::unique_ptr<CWinThread> thread_;
};

TEST_F(WatcherTest, AChangeAnywhereBelowTheRootReloadsTheLanguage) {
  // Switched before the watch: only a reload can see it.
  SetLanguage(L"frn");
  Start();
  EXPECT_TRUE(TouchUntil(3)) << "the language is still " << language_.load();
  EXPECT_FALSE(Ended(0)) << "the watcher goes on after a reload";
}

TEST_F(WatcherTest, AfterABurstOfChangesTheLastOneHolds) {
  Start();
  SetLanguage(L"grm");
  ASSERT_TRUE(TouchUntil(2));
  for (const wchar_t* code : {L"frn", L"spn", L"dut", L"jap", L"frn", L"spn", L"trk"}) {
    SetLanguage(code);
  }
  EXPECT_TRUE(WaitFor(30)) << "the language is " << language_.load();
  Sleep(200);
  EXPECT_EQ(language_.load(), 30);
}

TEST_F(WatcherTest, WithoutTheRootItEndsAtOnce) {
  testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kRoot);
  language_ = 17;
  Start();
  EXPECT_TRUE(Ended(kDeadlineMs));
  DWORD code = 1;
  GetExitCodeThread(thread_->m_hThread.get(), &code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(language_.load(), 17) << "no reload";
}

TEST_F(WatcherTest, TheStopEventEndsAWaitingWatcher) {
  Start();
  SetLanguage(L"grm");
  ASSERT_TRUE(TouchUntil(2));
  SetEvent(ConfigurationWatchStopEvent());
  EXPECT_TRUE(Ended(kDeadlineMs));
}

}  // namespace
