#include "framework/msgbox.h"

#include "framework/winapp.h"
#include "framework/wnd.h"

int AfxMessageBox(const wchar_t* text, UINT type, UINT) {
  if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
  HWND owner = GetActiveWindow();
  if (!owner) {
    CWnd* main = AfxGetMainWnd();
    if (main && main->IsWindowVisible()) owner = main->m_hWnd;
  }
  return MessageBoxW(owner, text, AfxGetAppName(), type);
}

int AfxMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  return MessageBoxW(owner, text, caption, type);
}
