// The application: one instance per session, the hidden main frame, the
// about box, and the settings record that lives as long as the process.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/thread.h"
#include "framework/unique_handle.h"
#include "framework/winapp.h"
#include "settings/settings.h"

class CMyApp : public CWinApp {
 public:
  static constexpr wchar_t kMutexBaseName[] = L"ORMIK310-{5A0C3E71-94B2-4D6F-A1C8-2E7B9F406D13}";

  CMyApp();

  BOOL InitInstance() override;
  int ExitInstance() override;

  ButtonManagerSettings settings;

  // The process's end closes the single-instance mutex; tests that start up
  // more than once in one process close it between starts.
  void CloseInstanceMutex() { instance_mutex_.reset(); }
  // The configuration watcher's thread handle; null when none runs.
  HANDLE WatcherThread() const;

  // Platform calls that Wine cannot show the effect of; tests record them.
  static inline BOOL(WINAPI* allow_set_foreground_window)(DWORD) = &::AllowSetForegroundWindow;
  // Ends the process without static destruction.
  static inline void (*end_process)(UINT code) = [](UINT code) {
    TerminateProcess(GetCurrentProcess(), code);
  };

 protected:
  void OnAppAbout();

 private:
  static constexpr DWORD kWatcherStopMs = 2000;
  void StartWatcher();
  // False when the watcher is still running after the bound.
  bool StopWatcher();

 private:
  afx::UniqueHandleT instance_mutex_;
  bool com_initialized_ = false;
  // The configuration watcher, kept so that the end can wait for it.
  std::unique_ptr<CWinThread> watcher_;

  DECLARE_MESSAGE_MAP()
};

CMyApp& GetMyApp();

// The main window handle of the first instance, shared by every process of
// this executable; returns null when the slot names no live main window of
// this program in this session.
HWND FirstInstanceWindow();
// A main frame of this program in this session, found by its window class:
// the first instance when it is the other architecture's build, whose shared
// slot this executable cannot see.
HWND FindProgramFrameInSession();
