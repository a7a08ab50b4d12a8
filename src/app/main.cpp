#include <windows.h>

#include "app/myapp.h"
#include "framework/winapp.h"

// The one application object: its settings are loaded here, during static
// initialisation, and saved during static destruction.
CMyApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return AfxWinMain(); }
