// The long run's yardstick: a bare program that makes, on the soak's
// command, the rounds in which Wine itself keeps handles and memory (a Save-as
// dialog; a Simple MAPI library loaded, logon, send with its compose window,
// logoff, freed; a dialog with text labels, which Wine 8's common controls
// keep a small record of after they are gone), so that what the program keeps
// is judged against what Wine keeps for the same rounds.
//
// usage: soak_bare MAIL_LIBRARY ATTACHMENT
#include "program/soak_bare.h"

#include <windows.h>

#include <commdlg.h>
#include <mapi.h>

#include <string>

namespace {

std::wstring library;
std::string attachment;

void SaveAs(HWND owner) {
  wchar_t file[MAX_PATH] = L"";
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = L"TIFF\0*.tif\0PCX\0*.pcx\0JPEG\0*.jpg\0";
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrDefExt = L"tif";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_EXPLORER;
  GetSaveFileNameW(&dialog);
}

template <typename Fn>
Fn Function(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void Mail(HWND owner) {
  const HMODULE module = LoadLibraryW(library.c_str());
  if (!module) return;
  const auto logon = Function<LPMAPILOGON>(module, "MAPILogon");
  const auto send = Function<LPMAPISENDMAIL>(module, "MAPISendMail");
  const auto logoff = Function<LPMAPILOGOFF>(module, "MAPILogoff");
  const auto ui = reinterpret_cast<ULONG_PTR>(owner);
  LHANDLE session = 0;
  if (logon && send && logoff &&
      logon(ui, nullptr, nullptr, MAPI_LOGON_UI, 0, &session) == SUCCESS_SUCCESS) {
    char empty[] = "";
    MapiFileDesc file = {};
    file.nPosition = static_cast<ULONG>(-1);
    file.lpszPathName = &attachment[0];
    MapiMessage message = {};
    message.lpszSubject = empty;
    message.lpszNoteText = empty;
    message.nFileCount = 1;
    message.lpFiles = &file;
    send(session, ui, &message, MAPI_DIALOG, 0);
    logoff(session, ui, 0, 0);
  }
  FreeLibrary(module);
}

INT_PTR CALLBACK LabelsProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Made and destroyed as the settings dialog is, each time it is opened.
void Labels(HWND owner) {
  const HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr),
                                         MAKEINTRESOURCEW(SOAK_BARE_LABELS), owner, LabelsProc, 0);
  if (dialog) DestroyWindow(dialog);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case soak_bare::kSaveAs:
      SaveAs(window);
      return 0;
    case soak_bare::kMail:
      Mail(window);
      return 0;
    case soak_bare::kLabels:
      Labels(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  if (__argc != 3) return 2;
  library = __wargv[1];
  const int bytes = WideCharToMultiByte(CP_ACP, 0, __wargv[2], -1, nullptr, 0, nullptr, nullptr);
  attachment.resize(bytes > 0 ? bytes : 1);
  WideCharToMultiByte(CP_ACP, 0, __wargv[2], -1, &attachment[0], bytes, nullptr, nullptr);

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = soak_bare::kClassName;
  if (!RegisterClassExW(&wc)) return 1;
  if (!CreateWindowExW(0, soak_bare::kClassName, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                       instance, nullptr)) {
    return 1;
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
