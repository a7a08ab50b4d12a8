// Starting programs and waiting for what they do. Every wait has a deadline.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/unique_handle.h"

namespace desktop {

// How long a user waits for something before giving up.
constexpr DWORD kDeadlineMs = 15000;
constexpr DWORD kPollMs = 20;

// Polls `done` every `pollMs` until it holds or `ms` milliseconds have passed.
bool WaitUntil(const std::function<bool()>& done, DWORD ms = kDeadlineMs, DWORD pollMs = kPollMs);

// This process's environment variable `name`; empty when there is none.
std::wstring Variable(const wchar_t* name);

// Starts `commandLine` in `folder` (empty: this process's) with `changes`
// (NAME=value) to this process's environment, which itself stays as it is.
// Null when it could not be started; GetLastError says why.
afx::UniqueHandleT Start(const std::wstring& commandLine, const std::wstring& folder = {},
                         const std::vector<std::wstring>& changes = {});
// How a program that was run to its end went.
struct Ran {
  enum Outcome { DONE, NOT_STARTED, STILL_RUNS, FAILED };
  Outcome outcome = NOT_STARTED;
  DWORD code = 0;  // the exit code when it ended, or why it did not start
  explicit operator bool() const { return outcome == DONE; }
  // Whether the program never reached its own code: not started, or stopped
  // by the loader.
  bool NeverRan() const {
    return outcome == NOT_STARTED ||
           (outcome == FAILED && (code == static_cast<DWORD>(STATUS_DLL_NOT_FOUND) ||
                                  code == static_cast<DWORD>(STATUS_DLL_INIT_FAILED)));
  }
};
// Runs `commandLine` in `folder` to its end, at most `ms` milliseconds; DONE
// when it ended with exit code 0. Otherwise says why on stderr.
Ran Run(const std::wstring& commandLine, const std::wstring& folder, DWORD ms = kDeadlineMs);

// A program that a test starts; ended with the holder if it still runs.
class Child {
 public:
  Child() = default;
  ~Child() { End(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Start(const std::wstring& commandLine, const std::wstring& folder = {});
  // Whether it ended within `ms`.
  bool Ended(DWORD ms) const;
  // Its exit code, or -1 when it did not end within `ms`.
  long ExitCode(DWORD ms) const;
  void End();
  DWORD id() const { return GetProcessId(process_.get()); }
  HANDLE handle() const { return process_.get(); }

 private:
  afx::UniqueHandleT process_;
};

}  // namespace desktop
