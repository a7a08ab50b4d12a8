#include "ui/buttonright.h"

#include "actions/ocrapp.h"
#include "resource.h"
#include "settings/localized.h"

BEGIN_MESSAGE_MAP(CDialogButtonright, CDialog)
  ON_BN_CLICKED(IDC_OCR_SETTINGS, OnOcrSettings)
END_MESSAGE_MAP()

CDialogButtonright::CDialogButtonright() : CDialog(IDD_BUTTON_RIGHT) {}

BOOL CDialogButtonright::OnInitDialog() {
  CDialog::OnInitDialog();
  CString text;
  LoadLocalizedString(text, IDS_SETTINGS);
  SetDlgItemText(IDC_OCR_SETTINGS, text);
  text = FormatLocalized(IDS_SEND_TO, kOcrProductName);
  SetDlgItemText(IDC_RIGHT_LABEL, text);
  return TRUE;
}

void CDialogButtonright::OnOcrSettings() { OpenOcrScanSettings(); }
