#include "desktop/windowing.h"

namespace desktop {

namespace {

constexpr UINT kAnswerMs = 2000;

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

struct Filter {
  DWORD process;
  const wchar_t* windowClass;
  bool shown;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM parameter) {
  auto* filter = reinterpret_cast<Filter*>(parameter);
  if ((filter->process == 0 || ProcessOf(window) == filter->process) &&
      (filter->windowClass == nullptr || ClassOf(window) == filter->windowClass) &&
      (!filter->shown || IsWindowVisible(window))) {
    filter->found.push_back(window);
  }
  return TRUE;
}

}  // namespace

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  return name;
}

bool IsDialog(HWND window) { return ClassOf(window) == kDialogClass; }

bool IsMessageBox(HWND window) {
  return IsDialog(window) && GetDlgItem(window, kMessageBoxTextId) != nullptr;
}

std::vector<HWND> TopWindows(DWORD process, const wchar_t* windowClass, bool shown) {
  Filter filter{process, windowClass, shown, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&filter));
  return filter.found;
}

std::vector<HWND> ThreadWindows(DWORD thread, const wchar_t* windowClass, bool shown) {
  Filter filter{0, windowClass, shown, {}};
  EnumThreadWindows(thread, Collect, reinterpret_cast<LPARAM>(&filter));
  return filter.found;
}

HWND FindWindowOf(const wchar_t* windowClass, DWORD process, bool shown) {
  const std::vector<HWND> found = TopWindows(process, windowClass, shown);
  return found.empty() ? nullptr : found.front();
}

std::vector<HWND> WindowsOf(DWORD process, const std::function<bool(HWND)>& match) {
  std::vector<HWND> found;
  for (HWND window : TopWindows(process, nullptr, true)) {
    if (IsWindowEnabled(window) && match(window)) found.push_back(window);
  }
  return found;
}

HWND WaitForWindow(const std::function<HWND()>& find, DWORD ms, DWORD pollMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = find()) != nullptr; }, ms, pollMs);
  return found;
}

HWND WaitForWindow(DWORD process, const std::function<bool(HWND)>& match, DWORD ms) {
  return WaitForWindow(
      [&]() -> HWND {
        const std::vector<HWND> windows = WindowsOf(process, match);
        return windows.empty() ? nullptr : windows.front();
      },
      ms);
}

HWND WaitForWindowOf(HANDLE process, const wchar_t* windowClass, DWORD ms, DWORD pollMs) {
  const DWORD id = GetProcessId(process);
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindWindowOf(windowClass, id);
        return found != nullptr || WaitForSingleObject(process, 0) != WAIT_TIMEOUT;
      },
      ms, pollMs);
  return found;
}

bool WaitGone(HWND window, DWORD ms) {
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, ms);
}

std::vector<HWND> Descendants(HWND parent) {
  Filter filter{0, nullptr, false, {}};
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&filter));
  return filter.found;
}

HWND Descendant(HWND parent, int id) {
  for (HWND child : Descendants(parent)) {
    if (GetDlgCtrlID(child) == id) return child;
  }
  return nullptr;
}

std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &length)) {
    return std::wstring();
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                      SMTO_ABORTIFHUNG, kAnswerMs, &copied);
  text.resize(copied);
  return text;
}

std::wstring ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? TextOf(item) : std::wstring();
}

bool SetText(HWND window, const std::wstring& text) {
  return SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_ABORTIFHUNG, kAnswerMs, nullptr) != 0;
}

void SetItemText(HWND dialog, int id, const std::wstring& text) {
  SetText(GetDlgItem(dialog, id), text);
}

void Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void NotifyChosen(HWND list) {
  const bool combo = ClassOf(list) == L"ComboBox";
  const WORD notifications[] = {static_cast<WORD>(combo ? CBN_SELENDOK : LBN_SELCHANGE),
                                static_cast<WORD>(combo ? CBN_SELCHANGE : 0)};
  for (WORD notification : notifications) {
    if (notification == 0) continue;
    SendMessageTimeoutW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), notification),
                        reinterpret_cast<LPARAM>(list), SMTO_ABORTIFHUNG, kAnswerMs, nullptr);
  }
}

SeenBox AnswerMessageBox(HWND box, int button) {
  SeenBox seen;
  seen.seen = true;
  seen.caption = TextOf(box);
  seen.text = ItemText(box, kMessageBoxTextId);
  HWND icon = GetDlgItem(box, kMessageBoxIconId);
  seen.icon = icon != nullptr && IsWindowVisible(icon)
                  ? reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0))
                  : nullptr;
  seen.owner = GetWindow(box, GW_OWNER);
  Press(box, button);
  WaitGone(box);
  return seen;
}

}  // namespace desktop
