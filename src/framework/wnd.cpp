#include "framework/wnd.h"

#include "framework/debug.h"
#include "framework/winapp.h"

namespace {
constexpr wchar_t kWndProperty[] = L"afx.CWnd";
}

CWnd::~CWnd() {
  if (OwnsWindow()) {
    HWND hwnd = m_hWnd;
    DetachHandle();
    ::DestroyWindow(hwnd);
  }
}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  return hwnd ? static_cast<CWnd*>(GetPropW(hwnd, kWndProperty)) : nullptr;
}

void CWnd::AttachHandle(HWND hwnd) {
  m_hWnd = hwnd;
  SetPropW(hwnd, kWndProperty, this);
}

void CWnd::DetachHandle() {
  if (OwnsWindow()) RemovePropW(m_hWnd, kWndProperty);
  m_hWnd = nullptr;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

CString CWnd::GetWindowText() const {
  const int length = ::GetWindowTextLengthW(m_hWnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(m_hWnd, text.data(), length + 1)));
  return CString(std::move(text));
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_COMMAND) {
    *result = 0;
    return OnCommand(wParam, lParam) != FALSE;
  }
  if (message == WM_NOTIFY) {
    *result = 0;
    return OnNotify(wParam, lParam, result) != FALSE;
  }
  const afx::MsgMapEntry* entry = FindEntry(message, 0, 0);
  if (!entry) return false;
  *result = entry->thunk(this, wParam, lParam);
  return true;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  int code = HIWORD(wParam);
  if (lParam == 0) {
    CCmdUI state(id);
    OnCmdMsg(WM_COMMAND, id, afx::CN_UPDATE_COMMAND_UI, &state, false);
    if (!state.m_bEnabled) {
      AfxTrace(L"Warning: not executing disabled command %d\n", static_cast<int>(id));
      return TRUE;
    }
    code = afx::CN_COMMAND;
  }
  return OnCmdMsg(WM_COMMAND, id, code, nullptr, false);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  afx::Notification notification{header, result};
  return OnCmdMsg(WM_NOTIFY, static_cast<UINT>(header->idFrom), static_cast<int>(header->code),
                  &notification, false);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void CWnd::OnNcDestroy() {
  DetachHandle();
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    app->m_pMainWnd = nullptr;
    PostQuitMessage(0);
  }
  destroyed_ = true;
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = FromHandlePermanent(hwnd);
  if (!wnd && message == WM_NCCREATE) {
    wnd = static_cast<CWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (wnd) wnd->AttachHandle(hwnd);
  }
  if (!wnd) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  ++wnd->message_depth_;
  const LRESULT result = wnd->WindowProc(message, wParam, lParam);
  if (message == WM_NCDESTROY) wnd->OnNcDestroy();
  // A window destroyed by one of its own handlers goes once every handler of
  // it has returned: they may still touch the object on their way out.
  if (--wnd->message_depth_ == 0) {
    if (wnd->destroyed_) {
      wnd->destroyed_ = false;
      wnd->PostNcDestroy();
    } else {
      wnd->OnOutermostMessageDone();
    }
  }
  return result;
}
