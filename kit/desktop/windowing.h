// Finding the windows on the desktop, reading them and working their
// controls as a user does. Text goes through messages, which the controls of
// other processes answer too.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "desktop/process.h"

namespace desktop {

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kMenuClass[] = L"#32768";
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x0440;

std::wstring ClassOf(HWND window);
bool IsDialog(HWND window);
bool IsMessageBox(HWND window);

// The top-level windows of `process` (0: of any) and of `windowClass` (null:
// of any), the topmost first; with `shown`, only the shown ones.
std::vector<HWND> TopWindows(DWORD process = 0, const wchar_t* windowClass = nullptr,
                             bool shown = false);
std::vector<HWND> ThreadWindows(DWORD thread, const wchar_t* windowClass, bool shown);
// The topmost of TopWindows(process, windowClass, shown).
HWND FindWindowOf(const wchar_t* windowClass, DWORD process, bool shown = false);
// The shown and enabled top-level windows of `process` that `match` accepts:
// the ones a user can work.
std::vector<HWND> WindowsOf(DWORD process, const std::function<bool(HWND)>& match);

// Polls `find` until it gives a window; null after `ms`.
HWND WaitForWindow(const std::function<HWND()>& find, DWORD ms = kDeadlineMs,
                   DWORD pollMs = kPollMs);
// The first of WindowsOf(process, match) that comes within `ms`.
HWND WaitForWindow(DWORD process, const std::function<bool(HWND)>& match, DWORD ms = kDeadlineMs);
// The window of `windowClass` that `process` creates, shown or not; null when
// the process ends first or after `ms`.
HWND WaitForWindowOf(HANDLE process, const wchar_t* windowClass, DWORD ms, DWORD pollMs = kPollMs);
// Whether `window` is closed or hidden within `ms`.
bool WaitGone(HWND window, DWORD ms = kDeadlineMs);

// Every descendant, in the order of the window tree.
std::vector<HWND> Descendants(HWND parent);
// A control anywhere below `parent` (a page is a dialog of its own inside it).
HWND Descendant(HWND parent, int id);

std::wstring TextOf(HWND window);
std::wstring ItemText(HWND dialog, int id);
bool SetText(HWND window, const std::wstring& text);
void SetItemText(HWND dialog, int id, const std::wstring& text);
// What a click on the dialog's button `id` sends; BM_CLICK needs the window
// active.
void Press(HWND dialog, int id);
// Tells the owner of a list or combo box of its new selection, as a choice
// made with the mouse does.
void NotifyChosen(HWND list);

// What a message box showed.
struct SeenBox {
  bool seen = false;
  std::wstring caption;
  std::wstring text;
  HICON icon = nullptr;
  HWND owner = nullptr;
};
// Reads the message box, answers it with `button` and waits until it is gone,
// so that the next step sees the next window, not this one on its way out.
SeenBox AnswerMessageBox(HWND box, int button = IDOK);

}  // namespace desktop
