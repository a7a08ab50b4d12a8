#include "ui/dlgsettings.h"

#include "resource.h"
#include "settings/localized.h"
#include "settings/opendialogs.h"
#include "settings/settings.h"
#include "ui/about.h"

namespace {

// The dialog opens on the right button's page.
constexpr int kFirstTab = 1;

}  // namespace

BEGIN_MESSAGE_MAP(CDlgSettings, CDialog)
  ON_NOTIFY(TCN_SELCHANGE, IDC_TAB, OnSelchangeTab)
  ON_BN_CLICKED(IDC_RESET, OnReset)
  ON_BN_CLICKED(ID_CALIBRATE, OnCalibrate)
  ON_BN_CLICKED(ID_APP_ABOUT, OnAbout)
END_MESSAGE_MAP()

CDlgSettings::CDlgSettings(CWnd* mainFrame)
    : CDialog(IDD_SETTINGS), m_pageTemplateIds{IDD_BUTTON_LEFT, IDD_BUTTON_RIGHT} {
  m_pMainFrame = mainFrame;
  m_pages[0] = &m_left;
  m_pages[1] = &m_right;
  m_pageCount = 2;
}

void CDlgSettings::DoDataExchange(CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  DDX_Control(exchange, IDC_TAB, m_tab);
}

BOOL CDlgSettings::OnInitDialog() {
  CDialog::OnInitDialog();
  CString text = FormatLocalized(IDS_BUTTON_MANAGER, kScannerProductName);
  SetWindowText(text);

  constexpr struct {
    int control;
    UINT text;
  } kButtons[] = {
      {IDC_RESET, IDS_RESET}, {IDOK, IDS_OK}, {IDCANCEL, IDS_CANCEL}, {ID_APP_ABOUT, IDS_ABOUT}};
  for (const auto& button : kButtons) {
    LoadLocalizedString(text, button.text);
    SetDlgItemText(button.control, text);
  }

  // A page that cannot be created leaves its tab empty.
  for (int page = 0; page < m_pageCount; ++page) {
    m_pages[page]->Create(static_cast<UINT>(m_pageTemplateIds[page]), this);
  }

  LoadLocalizedString(text, IDS_CALIBRATE);
  SetDlgItemText(ID_CALIBRATE, text);
  LoadLocalizedString(text, IDS_BUTTON_LEFT);
  m_tab.InsertItem(0, text);
  LoadLocalizedString(text, IDS_BUTTON_RIGHT);
  m_tab.InsertItem(1, text);
  m_tab.SetCurSel(kFirstTab);
  // Tab runs as in a property sheet: tab strip, page, the dialog's buttons.
  m_tab.ModifyStyle(0, WS_TABSTOP);
  m_tab.SetWindowPos(HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowSelectedPage();
  // The keyboard starts on the tab strip, where the arrows turn the pages; it
  // does not make a page's push button the default one.
  SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_tab.m_hWnd), TRUE);
  return FALSE;
}

BOOL CDlgSettings::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0 &&
      m_pageCount > 0) {
    const int step = GetKeyState(VK_SHIFT) < 0 ? m_pageCount - 1 : 1;
    m_tab.SelectTab((m_tab.GetCurSel() + step) % m_pageCount);
    // The focus must not stay in the page just hidden.
    const HWND focus = ::GetFocus();
    if (focus && !::IsWindowVisible(focus)) {
      SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_tab.m_hWnd), TRUE);
    }
    return TRUE;
  }
  return CDialog::PreTranslateMessage(msg);
}

void CDlgSettings::ShowSelectedPage() {
  const int current = m_tab.GetCurSel();
  RECT area;
  m_tab.GetClientRect(&area);
  m_tab.AdjustRect(FALSE, &area);
  RECT tab;
  m_tab.GetWindowRect(&tab);
  ScreenToClient(&tab);
  OffsetRect(&area, tab.left, tab.top);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  for (int page = 0; page < m_pageCount; ++page) {
    m_pages[page]->SetWindowPos(HWND_TOP, area.left, area.top, width, height, SWP_HIDEWINDOW);
  }
  if (current < 0 || current >= m_pageCount) return;
  m_pages[current]->SetWindowPos(HWND_TOP, area.left, area.top, width, height, SWP_SHOWWINDOW);
  m_pages[current]->ShowWindow(SW_SHOW);
}

void CDlgSettings::OnSelchangeTab(NMHDR*, LRESULT* result) {
  ShowSelectedPage();
  *result = 0;
}

void CDlgSettings::OnOK() {
  m_left.SaveToSettings();
  m_right.SaveToSettings();
  CDialog::OnOK();
}

void CDlgSettings::OnReset() {
  AppSettings().SetDefaults();
  m_left.LoadFromSettings();
}

void CDlgSettings::OnCalibrate() {
  // As if chosen from the tray menu: the frame's enable rule decides.
  if (m_pMainFrame) ::SendMessageW(m_pMainFrame->m_hWnd, WM_COMMAND, ID_CALIBRATE, 0);
}

void CDlgSettings::OnAbout() {
  CAbout about(this);
  const OpenDialogs::Scope open(&about, DialogRole::NESTED);
  about.DoModal();
}
