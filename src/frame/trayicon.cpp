#include "frame/trayicon.h"

#include <cwchar>
#include <utility>

#include "framework/debug.h"
#include "framework/wnd.h"
#include "resource.h"
#include "settings/localized.h"

CTrayIcon::ShellNotifyFn CTrayIcon::shell_notify = &Shell_NotifyIconW;

namespace {

// The taskbar's display may have changed its scale since the program
// started, while GetSystemMetrics keeps answering for the scale of that
// moment. Both functions are newer than the oldest Windows the program runs
// on, so they are looked up.
int TaskbarIconSize() {
  using DpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  using MetricsForDpiFn = int(WINAPI*)(int, UINT);
  static const HMODULE shcore = LoadLibraryW(L"shcore.dll");
  static const auto dpiForMonitor = reinterpret_cast<DpiForMonitorFn>(
      reinterpret_cast<void*>(shcore ? GetProcAddress(shcore, "GetDpiForMonitor") : nullptr));
  static const auto metricsForDpi = reinterpret_cast<MetricsForDpiFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  if (dpiForMonitor && metricsForDpi) {
    const HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    const HMONITOR monitor = taskbar ? MonitorFromWindow(taskbar, MONITOR_DEFAULTTOPRIMARY)
                                     : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    UINT dpiX = 0;
    UINT dpiY = 0;
    if (SUCCEEDED(dpiForMonitor(monitor, kEffectiveDpi, &dpiX, &dpiY)) && dpiX != 0) {
      return metricsForDpi(SM_CXSMICON, dpiX);
    }
  }
  return GetSystemMetrics(SM_CXSMICON);
}

}  // namespace

int (*CTrayIcon::tray_icon_size)() = &TaskbarIconSize;

// At the size the shell draws tray icons (16 px at 100 %, 32 px at 200 %),
// so it never scales a 32 px picture down. Not shared: the shared cache of
// Windows keys on the name alone and would hand back whichever size came first.
HICON CTrayIcon::LoadTrayIcon(UINT iconId) const {
  if (!iconId) return nullptr;
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId),
                                       IMAGE_ICON, icon_size_, icon_size_, LR_DEFAULTCOLOR));
}

CTrayIcon::CTrayIcon(UINT id, UINT callbackMessage) {
  added = 0;
  ZeroMemory(&nid, sizeof(nid));
  // The record version with balloons but without the item GUID and balloon
  // icon: every shell since Windows 2000 takes it.
  nid.cbSize = NOTIFYICONDATAW_V2_SIZE;
  nid.uID = id;
  nid.uCallbackMessage = callbackMessage;
}

CTrayIcon::~CTrayIcon() {
  if (added || handed_) {
    shell_notify(NIM_DELETE, &nid);
    added = 0;
  }
}

BOOL CTrayIcon::Create(CWnd* window, UINT iconId, UINT tipId) {
  AFX_ASSERT(window == nullptr || IsWindow(window->m_hWnd));
  nid.hWnd = window ? window->m_hWnd : nullptr;
  if (tipId != 0) {
    const CString tip = FormatLocalized(tipId, kScannerProductName);
    wcsncpy(nid.szTip, tip, _countof(nid.szTip) - 1);
    nid.szTip[_countof(nid.szTip) - 1] = L'\0';
  }
  // The scale the process started with is the scale of the moment.
  icon_size_ = GetSystemMetrics(SM_CXSMICON);
  icon_id_ = iconId;
  icon_.reset(LoadTrayIcon(iconId));
  nid.hIcon = icon_.get();
  handed_ = true;
  return Add();
}

BOOL CTrayIcon::Add() {
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  // A shell that took the icon but answered too late refuses a second add;
  // the icon is then there to be modified.
  const BOOL shown = shell_notify(NIM_ADD, &nid) || shell_notify(NIM_MODIFY, &nid);
  nid.uFlags = 0;
  added = shown ? 1 : 0;
  return shown;
}

BOOL CTrayIcon::Readd() {
  if (!handed_) return FALSE;
  const int size = tray_icon_size();
  if (size != icon_size_) {
    icon_size_ = size;
    icon_.reset(LoadTrayIcon(icon_id_));
    nid.hIcon = icon_.get();
  }
  return Add();
}

void CTrayIcon::SetState(BOOL isConnected, BOOL locked) {
  connected = isConnected;
  if (isConnected) {
    SetIcon(IDI_SCANNER_ATTACHED);
  } else if (locked) {
    SetIcon(IDI_SCANNER_LOCKED);
  } else {
    SetIcon(IDI_NO_SCANNER);
  }
}

BOOL CTrayIcon::SetIcon(UINT iconId) {
  afx::UniqueIcon next(LoadTrayIcon(iconId));
  icon_id_ = iconId;
  nid.uFlags = NIF_ICON;
  nid.hIcon = next.get();
  shell_notify(NIM_MODIFY, &nid);
  icon_ = std::move(next);
  return TRUE;
}

void CTrayIcon::BuildMenu(HMENU menu) {
  struct Item {
    UINT text;
    UINT command;
  };
  static constexpr Item kItems[] = {
      {IDS_OPEN, ID_SETTINGS}, {IDS_ABOUT, ID_APP_ABOUT}, {IDS_CALIBRATE, ID_CALIBRATE}, {0, 0},
      {IDS_EXIT, ID_EXIT},
  };
  for (const Item& item : kItems) {
    if (item.text == 0) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    CString text;
    LoadLocalizedString(text, item.text);
    AppendMenuW(menu, MF_STRING, item.command, text);
  }
}

LRESULT CTrayIcon::OnTrayNotification(WPARAM wParam, LPARAM lParam) {
  if (wParam != nid.uID) return 0;
  const auto mouse = static_cast<UINT>(lParam);
  if (mouse != WM_RBUTTONUP && mouse != WM_LBUTTONDBLCLK) return 0;

  afx::UniqueMenu menu(CreatePopupMenu());
  BuildMenu(menu.get());
  if (mouse == WM_RBUTTONUP) {
    if (connected) SetMenuDefaultItem(menu.get(), 0, TRUE);
    POINT cursor{};
    GetCursorPos(&cursor);
    SetForegroundWindow(nid.hWnd);
    TrackPopupMenu(menu.get(), 0, cursor.x, cursor.y, 0, nid.hWnd, nullptr);
  } else {
    SendMessageW(nid.hWnd, WM_COMMAND, GetMenuItemID(menu.get(), 0), 0);
  }
  return 1;
}
