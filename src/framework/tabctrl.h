// A tab control wrapped by its dialog's data exchange. Dialogs register the
// control's class before their templates are created.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "framework/wnd.h"

class CTabCtrl : public CWnd {
 public:
  // Inserts a tab with `text` at `index`; returns its index or -1.
  int InsertItem(int index, const wchar_t* text) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(text);
    return static_cast<int>(
        SendMessage(TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
  }
  int GetCurSel() { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
  int SetCurSel(int index) {
    return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(index)));
  }
  // Selects tab `index` as a click on it does: the parent is asked first
  // (TCN_SELCHANGING, which it may refuse) and told after (TCN_SELCHANGE).
  bool SelectTab(int index) {
    const HWND parent = ::GetParent(m_hWnd);
    NMHDR header{m_hWnd, static_cast<UINT_PTR>(::GetDlgCtrlID(m_hWnd)), TCN_SELCHANGING};
    const auto notify = [&] {
      return ::SendMessageW(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    };
    if (notify()) return false;
    SetCurSel(index);
    header.code = TCN_SELCHANGE;
    notify();
    return true;
  }
  // With `larger` FALSE, turns a window rectangle into its display area.
  void AdjustRect(BOOL larger, RECT* rect) {
    SendMessage(TCM_ADJUSTRECT, static_cast<WPARAM>(larger), reinterpret_cast<LPARAM>(rect));
  }
};
