// Shows one of the program's windows in a chosen language for
// scripts/screenshots: the program's own main frame, opened by its own
// commands, with the language put into the settings record.
//
//   screenshot_driver <language> settings|settings-left|about|tray <ready file>
//
// Once the window has been on screen for a moment, the ready file receives
// the rectangle to photograph ("width height x y", screen pixels); deleting
// the file ends the program through its Exit command.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/myapp.h"
#include "desktop/input.h"
#include "desktop/windowing.h"
#include "frame/mainframe.h"
#include "resource.h"

namespace {

constexpr UINT kPollMs = 100;
constexpr int kSettledPolls = 8;
constexpr int kGiveUpPolls = 300;
constexpr int kMargin = 6;

std::wstring g_scene;
std::wstring g_ready;
HWND g_frame = nullptr;
int g_polls = 0;
int g_seen = 0;
bool g_written = false;

void WriteReady(RECT rect) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  rect.left = rect.left > kMargin ? rect.left - kMargin : 0;
  rect.top = rect.top > kMargin ? rect.top - kMargin : 0;
  rect.right = rect.right + kMargin < width ? rect.right + kMargin : width;
  rect.bottom = rect.bottom + kMargin < height ? rect.bottom + kMargin : height;
  FILE* file = _wfopen(g_ready.c_str(), L"w");
  if (!file) return;
  std::fprintf(file, "%ld %ld %ld %ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left,
               rect.top);
  std::fclose(file);
  g_written = true;
}

void Finish() {
  if (g_scene == L"tray") EndMenu();
  PostMessageW(g_frame, WM_COMMAND, ID_EXIT, 0);
}

void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD) {
  if (++g_polls > kGiveUpPolls) return Finish();
  if (g_written) {
    if (GetFileAttributesW(g_ready.c_str()) == INVALID_FILE_ATTRIBUTES) Finish();
    return;
  }
  const bool menu = g_scene == L"tray";
  HWND shown = desktop::FindWindowOf(menu ? desktop::kMenuClass : desktop::kDialogClass,
                                     GetCurrentProcessId(), true);
  if (!shown) return;
  if (g_scene == L"settings-left" && g_seen == 0) {
    // Where a user clicks the first tab.
    HWND tab = GetDlgItem(shown, IDC_TAB);
    RECT item{};
    SendMessageW(tab, 0x130A /* TCM_GETITEMRECT */, 0, reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(tab, WM_LBUTTONUP, 0, at);
  }
  if (++g_seen < kSettledPolls) return;
  RECT rect{};
  GetWindowRect(shown, &rect);
  if (menu) {
    // The menu together with the notification area it came from.
    rect.right = GetSystemMetrics(SM_CXSCREEN);
    rect.bottom = GetSystemMetrics(SM_CYSCREEN);
  }
  WriteReady(rect);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CMyApp app;
  if (argc != 4) {
    std::fwprintf(stderr, L"usage: screenshot_driver language scene ready-file\n");
    return 2;
  }
  g_scene = argv[2];
  g_ready = argv[3];
  DeleteFileW(g_ready.c_str());
  app.settings.SetLanguage(static_cast<std::int32_t>(std::wcstol(argv[1], nullptr, 10)));

  auto* frame = new CMainFrame;
  if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) {
    delete frame;
    return 1;
  }
  app.m_pMainWnd = frame;
  g_frame = frame->m_hWnd;
  SetTimer(nullptr, 0, kPollMs, &Poll);
  if (g_scene == L"about") {
    PostMessageW(g_frame, WM_COMMAND, ID_APP_ABOUT, 0);
  } else if (g_scene == L"tray") {
    // A right click on the icon, with the pointer where the icon is.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 40, GetSystemMetrics(SM_CYSCREEN) - 40);
    desktop::PostTrayMouse(g_frame, WM_RBUTTONUP);
  } else {
    PostMessageW(g_frame, WM_COMMAND, ID_SETTINGS, 0);
  }
  return app.Run();
}
