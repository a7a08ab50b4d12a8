// Worker threads: a function, its parameter and a priority. By default the
// thread object deletes itself when the thread ends.
#pragma once

#include <windows.h>

#include "framework/unique_handle.h"

using AFX_THREADPROC = UINT (*)(LPVOID);

class CWinThread {
 public:
  ~CWinThread() = default;
  CWinThread(const CWinThread&) = delete;
  CWinThread& operator=(const CWinThread&) = delete;

  DWORD ResumeThread() { return ::ResumeThread(m_hThread.get()); }

  afx::UniqueHandleT m_hThread;
  DWORD m_nThreadID = 0;
  // Cleared by an owner that keeps the object: it then deletes it itself,
  // once the thread has ended.
  BOOL m_bAutoDelete = TRUE;

 private:
  friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD,
                                    LPSECURITY_ATTRIBUTES);
  CWinThread(AFX_THREADPROC proc, LPVOID parameter) : proc_(proc), parameter_(parameter) {}
  static DWORD WINAPI Start(LPVOID self);

  AFX_THREADPROC proc_;
  LPVOID parameter_;
};

// Starts `proc(parameter)` at `priority`; returns null when the thread could
// not be created. A running self-deleting thread may already have freed the
// object when this returns, so the result then only tells success: a caller
// that uses the object passes CREATE_SUSPENDED, takes what it needs (or
// clears m_bAutoDelete) and resumes the thread.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID parameter,
                           int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD flags = 0, LPSECURITY_ATTRIBUTES security = nullptr);
