#include "app/myapp.h"

#include <objbase.h>

#include "app/companion.h"
#include "app/exclusion.h"
#include "app/watcher.h"
#include "frame/mainframe.h"
#include "framework/debug.h"
#include "resource.h"
#include "settings/opendialogs.h"
#include "ui/about.h"

// One slot for all processes of this executable. The mutex that guards the
// single instance is per session while the section is machine-wide, so a
// reader checks what it finds. It holds 4 bytes on every architecture: window
// handles are 32-bit values that 32- and 64-bit processes share.
__attribute__((section(".shared"), shared)) volatile LONG shared_main_wnd = 0;
static_assert(sizeof(shared_main_wnd) == 4, "the shared slot");

namespace {

constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE;
static_assert(kFrameStyle == 0xCF8000, "the frame's style");

bool InThisSession(HWND hwnd) {
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  DWORD theirs = 0;
  DWORD ours = 0;
  return ProcessIdToSessionId(process, &theirs) &&
         ProcessIdToSessionId(GetCurrentProcessId(), &ours) && theirs == ours;
}

bool IsProgramFrame(HWND hwnd) {
  wchar_t className[64];
  return GetClassNameW(hwnd, className, 64) && lstrcmpW(className, CFrameWnd::kClassName) == 0;
}

}  // namespace

HWND FirstInstanceWindow() {
  HWND hwnd = static_cast<HWND>(LongToHandle(shared_main_wnd));
  if (!hwnd || !IsWindow(hwnd) || !IsProgramFrame(hwnd)) return nullptr;
  return InThisSession(hwnd) ? hwnd : nullptr;
}

HWND FindProgramFrameInSession() {
  HWND hwnd = nullptr;
  while ((hwnd = FindWindowExW(nullptr, hwnd, CFrameWnd::kClassName, nullptr)) != nullptr) {
    if (InThisSession(hwnd)) return hwnd;
  }
  return nullptr;
}

BEGIN_MESSAGE_MAP(CMyApp, CWinApp)
  ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

CMyApp::CMyApp() { UseAppSettings(&settings); }

CMyApp& GetMyApp() { return *static_cast<CMyApp*>(AfxGetApp()); }

BOOL CMyApp::InitInstance() {
  const std::wstring mutexName = MakeObjectName(kMutexBaseName, SCOPE_NONE);
  // The handle stays open until the process ends: it keeps the name alive.
  instance_mutex_.reset(CreateMutexW(nullptr, TRUE, mutexName.c_str()));
  const DWORD error = GetLastError();
  if (instance_mutex_) ReleaseMutex(instance_mutex_.get());

  HWND first = FirstInstanceWindow();
  if (error == ERROR_ALREADY_EXISTS) {
    // The other architecture's build shares the mutex but not the slot.
    if (!first) first = FindProgramFrameInSession();
    if (first) {
      // Windows lets the first instance take the foreground only when this
      // process, which the user just started, hands its right over.
      DWORD firstProcess = 0;
      GetWindowThreadProcessId(first, &firstProcess);
      allow_set_foreground_window(firstProcess);
      // The hidden frame cannot come forward; a dialog it has open can.
      SetForegroundWindow(GetLastActivePopup(first));
      PostMessageW(first, WM_COMMAND, ID_SETTINGS, 0);
    }
    return FALSE;
  }
  if (first) return FALSE;

  // S_FALSE counts too: every successful call is paired with one CoUninitialize.
  com_initialized_ = SUCCEEDED(CoInitialize(nullptr));

  auto* frame = new CMainFrame;
  if (!frame->LoadFrame(IDR_MAINFRAME, kFrameStyle, nullptr, nullptr)) {
    delete frame;
    return FALSE;
  }
  frame->ShowWindow(SW_HIDE);
  frame->UpdateWindow();
  m_pMainWnd = frame;
  shared_main_wnd = HandleToLong(frame->m_hWnd);

  settings.SetLanguage(0);
  DetectEdition();
  settings.SetLanguage(DetectLanguage());
  StartWatcher();
  return TRUE;
}

void CMyApp::StartWatcher() {
  ResetEvent(ConfigurationWatchStopEvent());
  CWinThread* thread = AfxBeginThread(&WatchConfiguration, &settings.LanguageId,
                                      THREAD_PRIORITY_LOWEST, 0, CREATE_SUSPENDED);
  if (!thread) return;
  thread->m_bAutoDelete = FALSE;
  watcher_.reset(thread);
  watcher_->ResumeThread();
}

HANDLE CMyApp::WatcherThread() const { return watcher_ ? watcher_->m_hThread.get() : nullptr; }

bool CMyApp::StopWatcher() {
  if (!watcher_) return true;
  SetEvent(ConfigurationWatchStopEvent());
  if (WaitForSingleObject(watcher_->m_hThread.get(), kWatcherStopMs) != WAIT_OBJECT_0) {
    return false;
  }
  watcher_.reset();
  return true;
}

int CMyApp::ExitInstance() {
  const bool watcherStopped = StopWatcher();
  const int code = CWinApp::ExitInstance();
  if (com_initialized_) {
    CoUninitialize();
    com_initialized_ = false;
  }
  if (!watcherStopped) {
    // The watcher still reads the configuration and writes the record, which
    // static destruction would tear down under it: save now and end here.
    settings.Save();
    end_process(static_cast<UINT>(code));
  }
  return code;
}

void CMyApp::OnAppAbout() {
  if (ProgramDialogs().IsOpen(DialogRole::ABOUT)) return;
  CAbout about(m_pMainWnd);
  const OpenDialogs::Scope open(&about, DialogRole::ABOUT);
  about.DoModal();
}
