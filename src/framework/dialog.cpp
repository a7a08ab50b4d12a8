#include "framework/dialog.h"

#include <commctrl.h>

#include "framework/debug.h"
#include "framework/winapp.h"

namespace {

bool IsDialogWindow(HWND hwnd) {
  wchar_t name[16];
  return GetClassNameW(hwnd, name, 16) && lstrcmpW(name, L"#32770") == 0;
}

bool IsPage(HWND dialog) {
  return (GetWindowLongW(dialog, GWL_STYLE) & WS_CHILD) &&
         (GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) &&
         IsDialogWindow(GetParent(dialog));
}

bool Offer(HWND dialog, MSG& msg) {
  CWnd* wnd = CWnd::FromHandlePermanent(dialog);
  return wnd ? wnd->PreTranslateMessage(&msg) : IsDialogMessageW(dialog, &msg);
}

}  // namespace

// Binds on every exchange: a dialog run again has new controls. The control
// stays the dialog's: the wrapper does not destroy it.
void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
  const HWND item = exchange->m_pDlgWnd->GetDlgItem(id);
  AFX_ASSERT(item != nullptr);
  control.m_hWnd = item;
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, OnOK)
  ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
  if (OwnsWindow()) DestroyWindow();
}

HWND CDialog::CreateFromTemplate(HWND owner) {
  // Templates may hold a tab control, whose class the common controls
  // register only when asked.
  static const bool common_controls = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)common_controls;
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate), owner,
                            &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_nIDTemplate = templateId;
  if (parent) m_pParentWnd = parent;
  if (!CreateFromTemplate(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr)) return FALSE;
  if (GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD) ModifyStyleEx(0, WS_EX_CONTROLPARENT);
  return TRUE;
}

INT_PTR CDialog::DoModal() {
  CWnd* ownerWnd = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
  HWND owner = ownerWnd ? ownerWnd->m_hWnd : nullptr;
  const bool disableOwner = owner && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);

  modal_result_ = -1;
  in_modal_loop_ = true;
  if (!CreateFromTemplate(owner)) {
    in_modal_loop_ = false;
    if (disableOwner) EnableWindow(owner, TRUE);
    return -1;
  }
  ShowWindow(SW_SHOWNORMAL);
  SetForegroundWindow(m_hWnd);

  MSG msg;
  while (in_modal_loop_ && m_hWnd) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // Leave the quit for the loop outside.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  in_modal_loop_ = false;

  if (disableOwner) EnableWindow(owner, TRUE);
  if (m_hWnd) {
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    DestroyWindow();
  }
  return modal_result_;
}

bool CDialog::PreTranslate(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) {
    return m_hWnd && IsDialogMessageW(m_hWnd, &msg);
  }
  for (HWND hwnd = msg.hwnd; hwnd; hwnd = GetParent(hwnd)) {
    if (IsDialogWindow(hwnd) && !IsPage(hwnd) && Offer(hwnd, msg)) return true;
    if (hwnd == m_hWnd) return false;
  }
  return m_hWnd && Offer(m_hWnd, msg);
}

BOOL CDialog::PreTranslateMessage(MSG* msg) { return IsDialogMessageW(m_hWnd, msg); }

void CDialog::EndDialog(int result) {
  modal_result_ = result;
  if (in_modal_loop_) {
    in_modal_loop_ = false;
    // Wakes the modal loop if it is waiting.
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
  } else if (m_hWnd) {
    ShowWindow(SW_HIDE);
  }
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  DoDataExchange(&exchange);
  return TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  const HWND control = reinterpret_cast<HWND>(lParam);
  const HWND parent = control ? ::GetParent(control) : nullptr;
  if (parent && parent != m_hWnd && ::IsChild(m_hWnd, control)) {
    ::SendMessageW(parent, WM_COMMAND, wParam, lParam);
    return TRUE;
  }
  return CWnd::OnCommand(wParam, lParam);
}

LRESULT CDialog::DefWindowProc(UINT, WPARAM, LPARAM) { return 0; }

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* dialog = static_cast<CDialog*>(FromHandlePermanent(hwnd));
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->AttachHandle(hwnd);
    return dialog->OnInitDialog();
  }
  if (!dialog) return FALSE;
  LRESULT result = 0;
  const bool handled = dialog->OnWndMsg(message, wParam, lParam, &result);
  if (message == WM_NCDESTROY) {
    dialog->DetachHandle();
    dialog->PostNcDestroy();
    return FALSE;
  }
  if (!handled) return FALSE;
  SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}
