// Keys, and the messages the shell sends for the program's tray icon.
#pragma once

#include <windows.h>

#include <vector>

namespace desktop {

// The tray icon's callback message and id, as the shell hands them back with
// every mouse message on the icon.
constexpr UINT kTrayCallbackMessage = WM_USER;
constexpr UINT kTrayIconId = 101;

// What the shell sends `frame` for the mouse message `mouse` on its icon.
void PostTrayMouse(HWND frame, UINT mouse);
// A key pressed and released while `window`'s thread reads its queue (a menu,
// a dialog).
void PostKey(HWND window, WORD key);
// `keys` pressed in order and released in reverse, through the input queue,
// as for the foreground window.
void SendChord(const std::vector<WORD>& keys);

}  // namespace desktop
