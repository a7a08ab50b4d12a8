#include "framework/winapp.h"

#include "framework/debug.h"
#include "framework/wnd.h"

#ifndef AFX_IDS_APP_TITLE
#define AFX_IDS_APP_TITLE 57344
#endif

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(const wchar_t* appName) {
  AFX_ASSERT(g_app == nullptr);
  g_app = this;
  if (appName) {
    app_name_ = appName;
  } else {
    app_name_.LoadString(AFX_IDS_APP_TITLE);
  }
  m_pszAppName = app_name_;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

int CWinApp::ExitInstance() { return static_cast<int>(exit_code_); }

int CWinApp::Run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (msg.message == WM_QUIT) exit_code_ = msg.wParam;
  return ExitInstance();
}

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

const wchar_t* AfxGetAppName() { return g_app ? g_app->m_pszAppName : L""; }

int AfxWinMain() {
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  if (!app->InitInstance()) {
    if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
    return app->ExitInstance();
  }
  return app->Run();
}
