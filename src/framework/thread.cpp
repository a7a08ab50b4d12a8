#include "framework/thread.h"

DWORD WINAPI CWinThread::Start(LPVOID self) {
  auto* thread = static_cast<CWinThread*>(self);
  const UINT code = thread->proc_(thread->parameter_);
  if (thread->m_bAutoDelete) delete thread;
  return code;
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID parameter, int priority, UINT stackSize,
                           DWORD flags, LPSECURITY_ATTRIBUTES security) {
  auto* thread = new CWinThread(proc, parameter);
  thread->m_hThread.reset(CreateThread(security, stackSize, &CWinThread::Start, thread,
                                       CREATE_SUSPENDED, &thread->m_nThreadID));
  if (!thread->m_hThread) {
    delete thread;
    return nullptr;
  }
  SetThreadPriority(thread->m_hThread.get(), priority);
  // Nothing of the object is read once the thread runs.
  if (!(flags & CREATE_SUSPENDED)) ::ResumeThread(thread->m_hThread.get());
  return thread;
}
