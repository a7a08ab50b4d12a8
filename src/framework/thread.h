// Worker threads: a function, its parameter and a priority. The thread
// object deletes itself when the thread ends.
#pragma once

#include <windows.h>

using AFX_THREADPROC = UINT (*)(LPVOID);

class CWinThread {
 public:
  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;

 private:
  friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD,
                                    LPSECURITY_ATTRIBUTES);
  CWinThread(AFX_THREADPROC proc, LPVOID parameter) : proc_(proc), parameter_(parameter) {}
  ~CWinThread();
  static DWORD WINAPI Start(LPVOID self);

  AFX_THREADPROC proc_;
  LPVOID parameter_;
};

// Starts `proc(parameter)` at `priority`; with CREATE_SUSPENDED in `flags`
// the caller resumes it. Returns null when the thread could not be created.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID parameter,
                           int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD flags = 0, LPSECURITY_ATTRIBUTES security = nullptr);
