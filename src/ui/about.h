// The about box: the program's icon, its localized title and the maker's notice.
#pragma once

#include "framework/dialog.h"

class CAbout : public CDialog {
 public:
  explicit CAbout(CWnd* parent);

  BOOL OnInitDialog() override;

  DECLARE_MESSAGE_MAP()
};
