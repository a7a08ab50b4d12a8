// What a user, or an administrator's script, does from outside the program:
// starts programs, finds the windows of a process, reads and fills them,
// answers message boxes and presses keys. Every wait has a deadline.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/unique_handle.h"

namespace e2e {

constexpr DWORD kDeadlineMs = 15000;

// Polls `done` until it holds or `ms` milliseconds have passed.
bool WaitUntil(const std::function<bool()>& done, DWORD ms = kDeadlineMs);

// Starts `commandLine` from the user's folder; `environment` holds NAME=value
// changes to this process's environment. Null when it could not be started.
afx::UniqueHandleT Start(const std::wstring& commandLine,
                         const std::vector<std::wstring>& environment = {});
// Runs `commandLine` to its end, at most `ms` milliseconds: true when it
// ended with exit code 0.
bool Run(const std::wstring& commandLine, DWORD ms = kDeadlineMs);

// The visible, enabled top-level windows of `process` that `match` accepts.
std::vector<HWND> WindowsOf(DWORD process, const std::function<bool(HWND)>& match);
HWND WaitForWindow(DWORD process, const std::function<bool(HWND)>& match, DWORD ms = kDeadlineMs);
std::wstring ClassOf(HWND window);
// A control anywhere below `parent` (a page is a dialog of its own inside it).
HWND Descendant(HWND parent, int id);

struct SeenBox {
  bool seen = false;
  std::wstring caption;
  std::wstring text;
};
bool IsMessageBox(HWND window);
// The message box of `process` that comes within `ms`, read and answered with OK.
SeenBox AnswerMessageBox(DWORD process, DWORD ms = kDeadlineMs);

// A key pressed and released while `window`'s thread reads its queue (a menu,
// a dialog).
void PressKey(HWND window, WORD key);

}  // namespace e2e
