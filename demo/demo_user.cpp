// The demo's user: reads what the windows on the Wine desktop show and works
// them with the mouse and the keyboard, for scripts/demo. Each call does one
// thing and exits: 0 when it came to pass, 1 when not (after its wait), 2 on
// a wrong command line.
//
//   demo_user window CAPTION [MS]      wait for the window; print its texts
//   demo_user gone CAPTION [MS]        wait until no such window is shown
//   demo_user press CAPTION CONTROL    click a button (its text or its id)
//   demo_user type CAPTION CONTROL TEXT   put TEXT into an edit field
//   demo_user choose CAPTION CONTROL ITEM choose ITEM in a list, as a click does
//   demo_user close CAPTION            ask the window to close
//   demo_user menu [MS]                wait for a popup menu to be shown
//   demo_user tray left|right|double   click the notification-area icon
//   demo_user keys KEY...              press keys: Return, Escape, Tab, ctrl+Tab ...
//   demo_user list                     print the shown top-level windows
//
// A window's texts: its caption, then each shown control's, one line each.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "desktop/input.h"
#include "desktop/windows.h"
#include "text.h"

namespace {

using Arguments = std::vector<std::wstring>;

constexpr DWORD kDefaultWaitMs = 10000;
constexpr DWORD kPollMs = 100;
constexpr UINT kAnswerMs = 2000;
constexpr int kTrayIconBorder = 2;
constexpr DWORD kTooltipMs = 1000;
enum Exit : int { kExitDone = 0, kExitNotSo = 1, kExitUsage = 2 };

void Print(const std::wstring& text) { simshared::WriteStd(STD_OUTPUT_HANDLE, text + L"\n"); }

using desktop::ClassOf;
using desktop::Descendants;
using desktop::TextOf;

HWND WithCaption(const std::wstring& caption) {
  for (HWND w : desktop::TopWindows(0, nullptr, true)) {
    if (TextOf(w) == caption) return w;
  }
  return nullptr;
}

DWORD WaitArgument(const Arguments& args, size_t index) {
  return index < args.size() ? std::wcstoul(args[index].c_str(), nullptr, 10) : kDefaultWaitMs;
}

// A shown control of `window` with that text or that id: its own first, then
// those of the dialogs inside it (a page of a tabbed dialog).
HWND Control(HWND window, const std::wstring& control) {
  wchar_t* end = nullptr;
  const long id = std::wcstol(control.c_str(), &end, 10);
  const bool byId = !control.empty() && *end == L'\0';
  auto matches = [&](HWND child) {
    return IsWindowVisible(child) && (byId ? GetDlgCtrlID(child) == id : TextOf(child) == control);
  };
  const std::vector<HWND> all = Descendants(window);
  for (HWND child : all) {
    if (GetParent(child) == window && matches(child)) return child;
  }
  for (HWND child : all) {
    if (matches(child)) return child;
  }
  return nullptr;
}

int PrintTexts(HWND window) {
  Print(TextOf(window));
  for (HWND child : Descendants(window)) {
    if (!IsWindowVisible(child)) continue;
    const std::wstring text = TextOf(child);
    if (!text.empty()) Print(text);
  }
  return kExitDone;
}

void MouseAt(POINT at, DWORD down, DWORD up, int clicks, DWORD restMs) {
  SetCursorPos(at.x, at.y);
  Sleep(restMs);
  for (int i = 0; i < clicks; ++i) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = down;
    input[1].mi.dwFlags = up;
    SendInput(2, input, sizeof(INPUT));
    Sleep(50);
  }
}

HWND OpenMenuWindow() { return desktop::FindWindowOf(desktop::kMenuClass, 0, true); }

// The point at the middle of the program's icon. Wine's taskbar draws the
// icons itself, one small icon's width plus a border apart, the first one at
// its right end; the program's is the only icon there.
bool TrayIconPoint(POINT* at) {
  HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
  RECT r{};
  if (taskbar == nullptr || !IsWindowVisible(taskbar) || !GetWindowRect(taskbar, &r)) return false;
  const int width = GetSystemMetrics(SM_CXSMICON) + 2 * kTrayIconBorder;
  *at = {r.right - width / 2, (r.top + r.bottom) / 2};
  return true;
}

int ClickTray(const std::wstring& how) {
  POINT at{};
  if (!TrayIconPoint(&at)) return kExitNotSo;
  // The icon's tooltip comes up while the mouse rests on it and goes with the
  // click; shown later, it would cover the menu that the click opens.
  if (how == L"right") {
    MouseAt(at, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 1, kTooltipMs);
  } else if (how == L"double") {
    MouseAt(at, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2, kTooltipMs);
  } else if (how == L"left") {
    MouseAt(at, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 1, kTooltipMs);
  } else {
    return kExitUsage;
  }
  return kExitDone;
}

struct KeyName {
  const wchar_t* name;
  WORD key;
};
constexpr KeyName kKeys[] = {
    {L"Return", VK_RETURN}, {L"Escape", VK_ESCAPE}, {L"Tab", VK_TAB},   {L"Space", VK_SPACE},
    {L"Up", VK_UP},         {L"Down", VK_DOWN},     {L"Left", VK_LEFT}, {L"Right", VK_RIGHT},
};

// "ctrl+Tab", "shift+Tab", "alt+o", "Return", or a single character.
bool PressChord(const std::wstring& chord) {
  std::vector<WORD> held;
  std::wstring rest = chord;
  for (;;) {
    const size_t plus = rest.find(L'+');
    if (plus == std::wstring::npos || plus + 1 == rest.size()) break;
    const std::wstring modifier = rest.substr(0, plus);
    if (modifier == L"ctrl") {
      held.push_back(VK_CONTROL);
    } else if (modifier == L"shift") {
      held.push_back(VK_SHIFT);
    } else if (modifier == L"alt") {
      held.push_back(VK_MENU);
    } else {
      return false;
    }
    rest = rest.substr(plus + 1);
  }
  WORD key = 0;
  for (const KeyName& k : kKeys) {
    if (rest == k.name) key = k.key;
  }
  if (key == 0 && rest.size() == 1) key = LOBYTE(VkKeyScanW(rest[0]));
  if (key == 0) return false;
  held.push_back(key);
  desktop::SendChord(held);
  Sleep(100);
  return true;
}

// Selects `item` and tells the list's owner as the list does after a click.
bool Choose(HWND list, const std::wstring& item) {
  const bool combo = ClassOf(list) == L"ComboBox";
  const UINT select = combo ? CB_SELECTSTRING : LB_SELECTSTRING;
  DWORD_PTR index = 0;
  SendMessageTimeoutW(list, select, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(item.c_str()),
                      SMTO_ABORTIFHUNG, kAnswerMs, &index);
  if (static_cast<LRESULT>(index) < 0) return false;
  desktop::NotifyChosen(list);
  return true;
}

int ListWindows() {
  for (HWND w : desktop::TopWindows(0, nullptr, true)) {
    RECT r{};
    GetWindowRect(w, &r);
    wchar_t line[160];
    _snwprintf(line, 160, L"%ls \"%ls\" %ld,%ld %ldx%ld", ClassOf(w).c_str(), TextOf(w).c_str(),
               r.left, r.top, r.right - r.left, r.bottom - r.top);
    line[159] = L'\0';
    Print(line);
  }
  return kExitDone;
}

int Obey(const Arguments& args) {
  const size_t n = args.size();
  if (n < 2) return kExitUsage;
  const std::wstring& command = args[1];
  if (command == L"list") return ListWindows();
  if (command == L"menu") {
    return desktop::WaitForWindow(OpenMenuWindow, WaitArgument(args, 2), kPollMs) ? kExitDone
                                                                                  : kExitNotSo;
  }
  if (command == L"tray" && n == 3) return ClickTray(args[2]);
  if (command == L"keys") {
    for (size_t i = 2; i < n; ++i) {
      if (!PressChord(args[i])) return kExitUsage;
    }
    return kExitDone;
  }
  if (n < 3) return kExitUsage;
  const std::wstring& caption = args[2];
  if (command == L"gone") {
    return desktop::WaitForWindow(
               [&] { return WithCaption(caption) ? nullptr : GetDesktopWindow(); },
               WaitArgument(args, 3), kPollMs)
               ? kExitDone
               : kExitNotSo;
  }
  HWND window = desktop::WaitForWindow(
      [&] { return WithCaption(caption); },
      command == L"window" ? WaitArgument(args, 3) : kDefaultWaitMs, kPollMs);
  if (window == nullptr) return kExitNotSo;
  if (command == L"window") return PrintTexts(window);
  if (command == L"close") {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return kExitDone;
  }
  if (n < 4) return kExitUsage;
  HWND control =
      desktop::WaitForWindow([&] { return Control(window, args[3]); }, kDefaultWaitMs, kPollMs);
  if (control == nullptr) return kExitNotSo;
  if (command == L"press") {
    desktop::Press(GetParent(control), GetDlgCtrlID(control));
    return kExitDone;
  }
  if (n < 5) return kExitUsage;
  if (command == L"type") {
    desktop::SetText(control, args[4]);
    return kExitDone;
  }
  if (command == L"choose") return Choose(control, args[4]) ? kExitDone : kExitNotSo;
  return kExitUsage;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const int result = Obey(simshared::CommandArguments());
  if (result == kExitUsage) {
    simshared::WriteStd(STD_ERROR_HANDLE,
                        L"demo_user: see the usage at the top of demo_user.cpp\n");
  }
  return result;
}
