// The left button's page: where a left-button scan goes.
#pragma once

#include "framework/combobox.h"
#include "framework/propertypage.h"

class CDialogButtonleft : public CPropertyPage {
 public:
  CDialogButtonleft();

  BOOL OnInitDialog() override;
  // Selects the entry of the stored destination; none when no entry has it.
  void LoadFromSettings();
  // Stores the selected entry's destination; nothing when none is selected.
  void SaveToSettings();

 protected:
  void DoDataExchange(CDataExchange* exchange) override;
  void OnCancel() override {}

  CComboBox m_destinations;

  DECLARE_MESSAGE_MAP()
};
