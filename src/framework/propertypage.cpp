#include "framework/propertypage.h"

CPropertyPage::CPropertyPage(UINT templateId, UINT captionId) : CDialog(templateId), m_psp{} {
  m_psp.dwSize = sizeof(m_psp);
  m_psp.hInstance = GetModuleHandleW(nullptr);
  m_psp.pszTemplate = MAKEINTRESOURCEW(templateId);
  if (captionId) {
    m_psp.dwFlags |= PSP_USETITLE;
    m_psp.pszTitle = MAKEINTRESOURCEW(captionId);
  }
}
