#include "framework/thread.h"

CWinThread::~CWinThread() {
  if (m_hThread) CloseHandle(m_hThread);
}

DWORD WINAPI CWinThread::Start(LPVOID self) {
  auto* thread = static_cast<CWinThread*>(self);
  const UINT code = thread->proc_(thread->parameter_);
  delete thread;
  return code;
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID parameter, int priority, UINT stackSize,
                           DWORD flags, LPSECURITY_ATTRIBUTES security) {
  auto* thread = new CWinThread(proc, parameter);
  thread->m_hThread = CreateThread(security, stackSize, &CWinThread::Start, thread,
                                   CREATE_SUSPENDED, &thread->m_nThreadID);
  if (!thread->m_hThread) {
    delete thread;
    return nullptr;
  }
  SetThreadPriority(thread->m_hThread, priority);
  if (!(flags & CREATE_SUSPENDED)) ResumeThread(thread->m_hThread);
  return thread;
}
