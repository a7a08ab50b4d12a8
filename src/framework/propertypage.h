// A property page. This program places its pages in a tab control of its
// own, as plain child dialogs, never in a property sheet.
#pragma once

#include <windows.h>

#include <prsht.h>

#include "framework/dialog.h"

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(UINT templateId, UINT captionId = 0);

  PROPSHEETPAGEW m_psp;

 protected:
  // A page does not end anything on Enter: that is the sheet's business.
  void OnOK() override {}
};
