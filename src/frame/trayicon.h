// The notification-area icon: its picture shows the scanner's state, its
// menu and double-click send the user's choice to the main frame.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>

#include "framework/cmdtarget.h"
#include "framework/unique_handle.h"

class CWnd;


class CTrayIcon : public CCmdTarget {
 public:
  // The shell call; tests put a recorder here.
  using ShellNotifyFn = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAW data);
  static ShellNotifyFn shell_notify;

  CTrayIcon(UINT id, UINT callbackMessage);
  ~CTrayIcon() override;

  // Adds the icon for `window`, with icon `iconId` and the tooltip from
  // localized string `tipId` (0: none).
  BOOL Create(CWnd* window, UINT iconId, UINT tipId);
  // Adds the icon again, as it is now, after the shell's taskbar was
  // re-created (or created after us).
  void Readd();
  void SetState(BOOL connected, BOOL locked);
  BOOL SetIcon(UINT iconId);
  void BuildMenu(HMENU menu);
  virtual LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);

  const NOTIFYICONDATAW& data() const { return nid; }

 private:
  NOTIFYICONDATAW nid;
  // The picture in nid.hIcon; the shell keeps its own copy.
  afx::UniqueIcon icon_;
  std::int32_t added = 0;
  std::int32_t connected = 0;
};
