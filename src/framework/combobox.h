// A combo box control wrapped by its dialog's data exchange.
#pragma once

#include "framework/wnd.h"

class CComboBox : public CWnd {
 public:
  // The index of the new entry (its place in a sorted list), or CB_ERR.
  int AddString(const wchar_t* text) {
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
  }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), data));
  }
  DWORD_PTR GetItemData(int index) {
    return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(index)));
  }
  int GetCount() { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
  // The selected index, or CB_ERR when nothing is selected.
  int GetCurSel() { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
  int SetCurSel(int index) {
    return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index)));
  }
};
