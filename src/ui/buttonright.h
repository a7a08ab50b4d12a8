// The right button's page: the companion application's own scan settings.
#pragma once

#include "framework/dialog.h"

class CDialogButtonright : public CDialog {
 public:
  CDialogButtonright();

  BOOL OnInitDialog() override;
  // The page has no setting of its own.
  void SaveToSettings() {}

 protected:
  void OnCancel() override {}
  void OnOcrSettings();

  DECLARE_MESSAGE_MAP()
};
