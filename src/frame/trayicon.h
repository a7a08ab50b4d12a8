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
  // The width of a tray icon on the taskbar's display at its scale of the
  // moment; tests put a display of another scale here.
  static int (*tray_icon_size)();

  CTrayIcon(UINT id, UINT callbackMessage);
  ~CTrayIcon() override;

  // Adds the icon for `window`, with icon `iconId` and the tooltip from
  // localized string `tipId` (0: none). FALSE when the shell did not take it
  // (no taskbar yet at log-on, or one too busy to answer): Readd tries again.
  BOOL Create(CWnd* window, UINT iconId, UINT tipId);
  // Adds the icon again, as it is now and at the size for the display scale
  // of the moment: after the shell's taskbar was re-created, or to retry
  // after a refusal. TRUE when the shell has it.
  BOOL Readd();
  bool IsShown() const { return added != 0; }
  void SetState(BOOL connected, BOOL locked);
  BOOL SetIcon(UINT iconId);
  void BuildMenu(HMENU menu);
  virtual LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);

  const NOTIFYICONDATAW& data() const { return nid; }

 private:
  BOOL Add();
  HICON LoadTrayIcon(UINT iconId) const;

  NOTIFYICONDATAW nid;
  // The picture in nid.hIcon; the shell keeps its own copy.
  afx::UniqueIcon icon_;
  UINT icon_id_ = 0;
  int icon_size_ = 0;
  // Handed to the shell at least once: the shell may hold it even when it
  // did not say so in time, so it is deleted at the end whatever it said.
  bool handed_ = false;
  std::int32_t added = 0;
  std::int32_t connected = 0;
};
