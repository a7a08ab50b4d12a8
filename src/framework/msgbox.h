#pragma once

#include <windows.h>

// A message box captioned with the application's name; without an icon in
// `type` it shows the exclamation icon.
int AfxMessageBox(const wchar_t* text, UINT type = MB_OK, UINT helpId = 0);
