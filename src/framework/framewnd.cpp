#include "framework/framewnd.h"

#include "framework/winapp.h"

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_CLOSE()
  ON_WM_INITMENUPOPUP()
END_MESSAGE_MAP()

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, void*) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(instance, kClassName, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &CWnd::StaticWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(resourceId));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) return FALSE;
  }
  menu_.reset(LoadMenuW(instance, MAKEINTRESOURCEW(resourceId)));
  CString title;
  title.LoadString(resourceId);
  if ((style & FWS_ADDTOTITLE) && AfxGetApp()) title = AfxGetApp()->m_pszAppName;
  HWND hwnd = CreateWindowExW(0, kClassName, title, style & ~FWS_ADDTOTITLE, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                              parent ? parent->m_hWnd : nullptr, menu_.get(), instance, this);
  if (!hwnd) {
    // A window that got as far as existing took its menu with it when it
    // was destroyed again.
    if (!IsMenu(menu_.get())) menu_.release();
    return FALSE;
  }
  // The window owns the menu now and destroys it with itself.
  menu_.release();
  auto_delete_ = true;
  return TRUE;
}

bool CFrameWnd::OnCmdMsg(UINT message, UINT id, int code, void* extra, bool probe) {
  if (CWnd::OnCmdMsg(message, id, code, extra, probe)) return true;
  CWinApp* app = AfxGetApp();
  return app && app->OnCmdMsg(message, id, code, extra, probe);
}

int CFrameWnd::OnCreate(LPCREATESTRUCTW) { return 0; }

void CFrameWnd::OnClose() { DestroyWindow(); }

void CFrameWnd::OnInitMenuPopup(HMENU menu, UINT, BOOL systemMenu) {
  if (systemMenu) return;
  const int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    const UINT id = GetMenuItemID(menu, position);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separators and submenus
    CCmdUI state(id);
    OnCmdMsg(WM_COMMAND, id, afx::CN_UPDATE_COMMAND_UI, &state, false);
    const bool enabled = state.m_bEnableChanged
                             ? state.m_bEnabled
                             : OnCmdMsg(WM_COMMAND, id, afx::CN_COMMAND, nullptr, true);
    EnableMenuItem(menu, static_cast<UINT>(position),
                   MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
  }
}
