// The settings window: a tab control with one page per scanner button, and
// OK, Cancel, About, Reset and Calibrate.
#pragma once

#include <cstdint>

#include "framework/dialog.h"
#include "framework/tabctrl.h"
#include "ui/buttonleft.h"
#include "ui/buttonright.h"

class CDlgSettings : public CDialog {
 public:
  // Calibrate is sent to `mainFrame` as if chosen from the tray menu.
  explicit CDlgSettings(CWnd* mainFrame);

  BOOL OnInitDialog() override;
  // Lays both pages over the tab control's display area and shows the
  // selected one.
  void ShowSelectedPage();
  // Ctrl+Tab and Ctrl+Shift+Tab turn the pages.
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  void DoDataExchange(CDataExchange* exchange) override;
  void OnOK() override;
  void OnSelchangeTab(NMHDR* header, LRESULT* result);
  void OnReset();
  void OnCalibrate();
  void OnAbout();

  CWnd* m_pMainFrame;
  CTabCtrl m_tab;
  std::int32_t m_pageTemplateIds[2];
  CDialogButtonleft m_left;
  CDialogButtonright m_right;
  CDialog* m_pages[2];
  std::int32_t m_pageCount;

  DECLARE_MESSAGE_MAP()
};
