#include "framework/thread.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct ThreadRun {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  void* parameter = nullptr;
  int priority = THREAD_PRIORITY_ERROR_RETURN;
  ~ThreadRun() { CloseHandle(done); }
};

UINT Record(LPVOID parameter) {
  auto* run = static_cast<ThreadRun*>(parameter);
  run->parameter = parameter;
  run->priority = GetThreadPriority(GetCurrentThread());
  SetEvent(run->done);
  return 17;
}

TEST(AfxBeginThread, RunsTheFunctionWithItsParameterAtThePriorityAsked) {
  for (int priority : {THREAD_PRIORITY_LOWEST, THREAD_PRIORITY_BELOW_NORMAL}) {
    SCOPED_TRACE(testing::Message() << "priority " << priority);
    ThreadRun run;
    ASSERT_NE(AfxBeginThread(&Record, &run, priority), nullptr);
    ASSERT_EQ(WaitForSingleObject(run.done, 5000), WAIT_OBJECT_0) << "the function did not run";
    EXPECT_EQ(run.parameter, &run);
    EXPECT_EQ(run.priority, priority);
  }
}

TEST(AfxBeginThread, SuspendedThreadRunsOnlyWhenResumed) {
  ThreadRun run;
  CWinThread* thread = AfxBeginThread(&Record, &run, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(run.done, 200), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the function ran before the thread was resumed";
  ResumeThread(thread->m_hThread.get());
  EXPECT_EQ(WaitForSingleObject(run.done, 5000), WAIT_OBJECT_0);
}

TEST(AfxBeginThread, ThreadEndsWithTheFunctionsResultAndReleasesItsHandle) {
  ThreadRun run;
  CWinThread* thread = AfxBeginThread(&Record, &run, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  const HANDLE own = thread->m_hThread.get();
  HANDLE watched = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &watched, 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  ResumeThread(own);
  ASSERT_EQ(WaitForSingleObject(watched, 5000), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(watched, &code));
  EXPECT_EQ(code, 17u);
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(own, &flags)) << "the thread object did not close its handle";
  CloseHandle(watched);
}

}  // namespace

namespace {

TEST(AfxBeginThread, AKeptObjectOutlivesItsThread) {
  ThreadRun run;
  CWinThread* thread = AfxBeginThread(&Record, &run, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;
  std::unique_ptr<CWinThread> kept(thread);
  kept->ResumeThread();
  ASSERT_EQ(WaitForSingleObject(kept->m_hThread.get(), 5000), WAIT_OBJECT_0)
      << "the handle of a kept thread can be waited on once it ended";
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(kept->m_hThread.get(), &code));
  EXPECT_EQ(code, 17u);
}

}  // namespace
