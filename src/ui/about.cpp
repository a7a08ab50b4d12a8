#include "ui/about.h"

#include "resource.h"
#include "settings/localized.h"

BEGIN_MESSAGE_MAP(CAbout, CDialog)
END_MESSAGE_MAP()

CAbout::CAbout(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

BOOL CAbout::OnInitDialog() {
  CDialog::OnInitDialog();
  const CString title = FormatLocalized(IDS_BUTTON_MANAGER, kScannerProductName);
  SetWindowText(title);
  SetDlgItemText(IDC_ABOUT_TITLE, title);
  return TRUE;
}
