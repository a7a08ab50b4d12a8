#include "ui/buttonleft.h"

#include "resource.h"
#include "settings/localized.h"
#include "settings/settings.h"

BEGIN_MESSAGE_MAP(CDialogButtonleft, CPropertyPage)
END_MESSAGE_MAP()

CDialogButtonleft::CDialogButtonleft() : CPropertyPage(IDD_BUTTON_LEFT) {}

void CDialogButtonleft::DoDataExchange(CDataExchange* exchange) {
  CPropertyPage::DoDataExchange(exchange);
  DDX_Control(exchange, IDC_DESTINATION, m_destinations);
}

BOOL CDialogButtonleft::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  CString text;
  LoadLocalizedString(text, IDS_SCAN_AND_SEND);
  SetDlgItemText(IDC_LEFT_LABEL, text);
  // The list sorts by text: the item data keeps each entry's destination in
  // every language.
  LoadLocalizedString(text, IDS_EMAIL);
  m_destinations.SetItemData(m_destinations.AddString(text), DESTINATION_EMAIL);
  LoadLocalizedString(text, IDS_FILE);
  m_destinations.SetItemData(m_destinations.AddString(text), DESTINATION_FILE);
  LoadFromSettings();
  return TRUE;
}

void CDialogButtonleft::LoadFromSettings() {
  const int count = m_destinations.GetCount();
  for (int index = 0; index < count; ++index) {
    if (static_cast<std::int32_t>(m_destinations.GetItemData(index)) ==
        AppSettings().button_left_action) {
      m_destinations.SetCurSel(index);
      return;
    }
  }
}

void CDialogButtonleft::SaveToSettings() {
  // Without the page's window there is no list to read a choice from.
  if (!m_hWnd) return;
  const int index = m_destinations.GetCurSel();
  if (index == CB_ERR) return;
  AppSettings().button_left_action = static_cast<std::int32_t>(m_destinations.GetItemData(index));
}
