#include <windows.h>

#include <string>

#include "app/myapp.h"
#include "framework/modulepath.h"
#include "framework/winapp.h"

// The one application object: its settings are loaded here, during static
// initialisation, and saved during static destruction.
CMyApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before any library is loaded by name, the working folder leaves the search
  // order: a driver or mail library planted there must never be loaded. The
  // packages' own ones lie beside the program or in the system folder, which
  // stay. Any directory set here takes the working folder's place; the
  // program's own is one the loader searches anyway, and unlike "" it does so
  // on Wine too, which ignores an empty directory.
  const std::wstring folder = afx::FolderOf(afx::ModuleFileName(nullptr));
  SetDllDirectoryW(folder.c_str());
  return AfxWinMain();
}
