// A property page. This program places its pages in a tab control of its
// own, as plain child dialogs, never in a property sheet.
#pragma once

#include <windows.h>

#include "framework/dialog.h"

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(UINT templateId) : CDialog(templateId) {}

 protected:
  // A page does not end anything on Enter: that is the sheet's business.
  void OnOK() override {}
};
