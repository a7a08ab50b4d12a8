// A window: its handle, its message map and the dispatch between them.
#pragma once

#include <windows.h>

#include "framework/cmdtarget.h"
#include "framework/cstring.h"

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  ~CWnd() override;

  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }  // NOLINT

  BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
  BOOL UpdateWindow() { return ::UpdateWindow(m_hWnd); }
  BOOL DestroyWindow();
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
  }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
  }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
  void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
  CString GetWindowText() const;
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  void SetDlgItemText(int id, const wchar_t* text) { ::SetDlgItemTextW(m_hWnd, id, text); }
  void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
  void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
  // Converts a rectangle in screen coordinates to this window's client area.
  void ScreenToClient(RECT* rect) const {
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
  }
  BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) {
    return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
  }
  void ModifyStyle(DWORD remove, DWORD add) {
    ::SetWindowLongW(m_hWnd, GWL_STYLE, (::GetWindowLongW(m_hWnd, GWL_STYLE) & ~remove) | add);
  }
  void ModifyStyleEx(DWORD remove, DWORD add) {
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, (::GetWindowLongW(m_hWnd, GWL_EXSTYLE) & ~remove) | add);
  }

  // Whether this object created the window or was given it to own: only then
  // does it destroy the window. A control bound by DDX_Control is wrapped.
  bool OwnsWindow() const { return m_hWnd && FromHandlePermanent(m_hWnd) == this; }

  // The object that owns `hwnd`, when it is one of this framework's windows.
  static CWnd* FromHandlePermanent(HWND hwnd);

  // The message map dispatch; returns whether a handler took the message.
  virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Sees input meant for this window or one inside it before it is
  // dispatched; returns whether it took the message.
  virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

  HWND m_hWnd = nullptr;

 protected:
  // WM_COMMAND: a command without a control handle (menus, SendMessage with
  // lParam 0) is first put to the update handlers and dropped when disabled.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Called after the window is gone (WM_NCDESTROY), once no handler of the
  // window is running any more.
  virtual void PostNcDestroy() {}
  // Called when the outermost message handler of the window has returned.
  virtual void OnOutermostMessageDone() {}
  // How many messages of this window are being handled, nested.
  int MessageDepth() const { return message_depth_; }

  // Ties `hwnd` to this object, so that FromHandlePermanent finds it.
  void AttachHandle(HWND hwnd);
  void DetachHandle();

  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void OnNcDestroy();

  int message_depth_ = 0;
  bool destroyed_ = false;

  DECLARE_MESSAGE_MAP()
};
