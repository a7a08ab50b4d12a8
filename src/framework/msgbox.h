#pragma once

#include <windows.h>

// A message box captioned with the application's name; without an icon in
// `type` it shows the exclamation icon.
int AfxMessageBox(const wchar_t* text, UINT type = MB_OK, UINT helpId = 0);

// A message box exactly as asked: this owner, this caption (empty shows
// none), and only the icon that `type` names.
int AfxMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
