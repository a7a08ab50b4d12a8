// Dialogs from templates: modal with their own loop, or modeless children.
#pragma once

#include "framework/wnd.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate)
      : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

// Binds control `id` of the dialog to `control`.
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Creates the dialog and runs its modal loop; returns what EndDialog was
  // given, or -1 when the dialog could not be created.
  virtual INT_PTR DoModal();
  // Creates the dialog modeless, as a child or owned window of `parent`. A
  // child is a page of its parent: the parent's keyboard interface (Tab,
  // Enter, Escape, mnemonics) reaches into it.
  BOOL Create(UINT templateId, CWnd* parent = nullptr);
  void EndDialog(int result);

  virtual BOOL OnInitDialog();
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  // The dialog manager's keyboard handling.
  BOOL PreTranslateMessage(MSG* msg) override;

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

 protected:
  virtual void DoDataExchange(CDataExchange*) {}
  virtual void OnOK();
  virtual void OnCancel();

  // A page's control may report to this dialog (the dialog manager sends
  // Enter on a focused push button to the dialog that has the keys): its own
  // dialog gets it.
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND CreateFromTemplate(HWND owner);
  // Offers `msg` to the dialogs that contain its window, innermost first, so
  // that child dialogs see their keyboard navigation; a page's keys belong to
  // the dialog around it.
  bool PreTranslate(MSG& msg);

  bool in_modal_loop_ = false;
  INT_PTR modal_result_ = -1;

  DECLARE_MESSAGE_MAP()
};
