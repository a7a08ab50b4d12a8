#include "frame/trayicon.h"

#include <cwchar>
#include <utility>

#include "framework/debug.h"
#include "framework/wnd.h"
#include "resource.h"
#include "settings/localized.h"

CTrayIcon::ShellNotifyFn CTrayIcon::shell_notify = &Shell_NotifyIconW;

namespace {

// At the size the shell draws tray icons (16 px at 100 %, 32 px at 200 %),
// so it never scales a 32 px picture down. Not shared: the shared cache of
// Windows keys on the name alone and would hand back whichever size came first.
HICON LoadTrayIcon(UINT iconId) {
  if (!iconId) return nullptr;
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId),
                                       IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                       GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
}

}  // namespace

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
  if (added) {
    shell_notify(NIM_DELETE, &nid);
    added = 0;
  }
}

BOOL CTrayIcon::Create(CWnd* window, UINT iconId, UINT tipId) {
  AFX_ASSERT(window == nullptr || IsWindow(window->m_hWnd));
  nid.hWnd = window ? window->m_hWnd : nullptr;
  if (tipId != 0) {
    CString format;
    LoadLocalizedString(format, tipId);
    CString tip;
    tip.Format(format, kScannerProductName);
    wcsncpy(nid.szTip, tip, _countof(nid.szTip) - 1);
    nid.szTip[_countof(nid.szTip) - 1] = L'\0';
  }
  icon_.reset(LoadTrayIcon(iconId));
  nid.hIcon = icon_.get();
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  shell_notify(NIM_ADD, &nid);
  added = 1;
  nid.uFlags = 0;
  return TRUE;
}

void CTrayIcon::Readd() {
  if (!added) return;
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  shell_notify(NIM_ADD, &nid);
  nid.uFlags = 0;
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
