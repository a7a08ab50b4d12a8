#include "e2e/user.h"

#include "actions/ui_driver.h"

namespace e2e {

namespace {

constexpr DWORD kPollMs = 20;
constexpr int kMessageBoxTextId = 0xFFFF;

struct Search {
  DWORD process;
  const std::function<bool(HWND)>* match;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if ((search->process == 0 || process == search->process) && IsWindowVisible(window) &&
      IsWindowEnabled(window) && (*search->match)(window)) {
    search->found.push_back(window);
  }
  return TRUE;
}

struct IdSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindId(HWND child, LPARAM parameter) {
  auto* search = reinterpret_cast<IdSearch*>(parameter);
  if (GetDlgCtrlID(child) != search->id) return TRUE;
  search->found = child;
  return FALSE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    Sleep(kPollMs);
  }
}

afx::UniqueHandleT Start(const std::wstring& commandLine,
                         const std::vector<std::wstring>& environment) {
  // The child takes this process's environment as it is when it starts.
  struct Saved {
    std::wstring name;
    std::wstring value;
    bool had;
  };
  std::vector<Saved> saved;
  for (const std::wstring& entry : environment) {
    const std::wstring name = entry.substr(0, entry.find(L'='));
    wchar_t value[MAX_PATH * 4] = L"";
    const DWORD length = GetEnvironmentVariableW(name.c_str(), value, MAX_PATH * 4);
    saved.push_back({name, value, length > 0});
    SetEnvironmentVariableW(name.c_str(), entry.substr(name.size() + 1).c_str());
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::wstring line = commandLine;
  // Started from the user's own folder, as the shell starts programs at log-on.
  wchar_t profile[MAX_PATH] = L"";
  const DWORD length = GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH);
  const BOOL started =
      CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                     length > 0 && length < MAX_PATH ? profile : nullptr, &startup, &info);
  for (const Saved& entry : saved) {
    SetEnvironmentVariableW(entry.name.c_str(), entry.had ? entry.value.c_str() : nullptr);
  }
  if (!started) return afx::UniqueHandleT();
  CloseHandle(info.hThread);
  return afx::UniqueHandleT(info.hProcess);
}

bool Run(const std::wstring& commandLine, DWORD ms) {
  const afx::UniqueHandleT process = Start(commandLine);
  DWORD code = 1;
  return process && WaitForSingleObject(process.get(), ms) == WAIT_OBJECT_0 &&
         GetExitCodeProcess(process.get(), &code) && code == 0;
}

std::vector<HWND> WindowsOf(DWORD process, const std::function<bool(HWND)>& match) {
  Search search{process, &match, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForWindow(DWORD process, const std::function<bool(HWND)>& match, DWORD ms) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        const std::vector<HWND> windows = WindowsOf(process, match);
        found = windows.empty() ? nullptr : windows.front();
        return found != nullptr;
      },
      ms);
  return found;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  return name;
}

HWND Descendant(HWND parent, int id) {
  IdSearch search{id, nullptr};
  EnumChildWindows(parent, FindId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool IsMessageBox(HWND window) {
  return ClassOf(window) == L"#32770" && GetDlgItem(window, kMessageBoxTextId) != nullptr;
}

SeenBox AnswerMessageBox(DWORD process, DWORD ms) {
  SeenBox box;
  const HWND window = WaitForWindow(process, IsMessageBox, ms);
  if (window == nullptr) return box;
  box.seen = true;
  box.caption = actions_testing::User::Text(window);
  box.text = actions_testing::User::ItemText(window, kMessageBoxTextId);
  actions_testing::User::Press(window, IDOK);
  WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); });
  return box;
}

void PressKey(HWND window, WORD key) {
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  PostMessageW(window, WM_KEYDOWN, key, 1 | (scan << 16));
  PostMessageW(window, WM_KEYUP, key, 1 | (scan << 16) | (3u << 30));
}

}  // namespace e2e
