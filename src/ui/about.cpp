#include "ui/about.h"

#include "resource.h"
#include "settings/localized.h"

BEGIN_MESSAGE_MAP(CAbout, CDialog)
END_MESSAGE_MAP()

CAbout::CAbout(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

BOOL CAbout::OnInitDialog() {
  CDialog::OnInitDialog();
  CString format;
  LoadLocalizedString(format, IDS_BUTTON_MANAGER);
  CString title;
  title.Format(format, kScannerProductName);
  SetWindowText(title);
  SetDlgItemText(IDC_ABOUT_TITLE, title);
  return TRUE;
}
