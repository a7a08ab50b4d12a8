// The application object: start-up, the message loop, the end.
#pragma once

#include <windows.h>

#include "framework/cmdtarget.h"
#include "framework/cstring.h"

class CWnd;

class CWinApp : public CCmdTarget {
 public:
  // With no name, the name is string resource AFX_IDS_APP_TITLE (57344).
  explicit CWinApp(const wchar_t* appName = nullptr);
  ~CWinApp() override;

  virtual BOOL InitInstance() { return TRUE; }
  // Returns the process exit code: the quit message's code.
  virtual int ExitInstance();
  // Runs the message loop until WM_QUIT, then ExitInstance.
  virtual int Run();

  CWnd* m_pMainWnd = nullptr;
  const wchar_t* m_pszAppName = L"";

 private:
  CString app_name_;
  WPARAM exit_code_ = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
const wchar_t* AfxGetAppName();

// The program's entry: InitInstance, then the message loop, or ExitInstance
// at once when InitInstance fails.
int AfxWinMain();
