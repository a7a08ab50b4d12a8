// The companion OCR application's stand-in. Its first run writes its registry
// tree (installation folder, language English) and registers its automation
// server; without arguments it shows a small window in which the user picks
// its language. With arguments it acts and exits:
//   lang <code>      switch the language (e.g. frn)
//   busy 0|1         report free or busy to GetState
//   register | unregister   the automation server, for the machine
//   log              print the server's call log
//   setup            only the first-run set-up
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <iterator>
#include <string>

#include "control.h"

namespace {

struct Language {
  const wchar_t* code;
  const wchar_t* name;
};
constexpr Language kLanguages[] = {
    {L"eng", L"English"},
    {L"frn", L"Fran\u00e7ais"},
    {L"grm", L"Deutsch"},
    {L"itl", L"Italiano"},
    {L"spn", L"Espa\u00f1ol"},
    {L"dut", L"Nederlands"},
    {L"brz", L"Portugu\u00eas (Brasil)"},
    {L"rus", L"\u0420\u0443\u0441\u0441\u043a\u0438\u0439"},
    {L"jap", L"\u65e5\u672c\u8a9e"},
    {L"trk", L"T\u00fcrk\u00e7e"},
};
constexpr int kListId = 100;

std::wstring Folder() {
  return companion::FolderOfModuleAt(reinterpret_cast<const void*>(&Folder));
}

void Print(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  fwrite(utf8.data(), 1, utf8.size(), stdout);
}

void FirstRun() {
  const std::wstring folder = Folder();
  companion::WriteRegistryTreeIfMissing(folder);
  const std::wstring server = folder + L"\\" + companion::kServerFileName;
  if (GetFileAttributesW(server.c_str()) != INVALID_FILE_ATTRIBUTES) {
    companion::RegisterServer(HKEY_LOCAL_MACHINE, server);
  }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      CreateWindowExW(0, L"STATIC", L"Language of the user interface:", WS_CHILD | WS_VISIBLE, 12,
                      10, 260, 18, hwnd, nullptr, nullptr, nullptr);
      HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr,
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY, 12, 32, 260, 180,
                                  hwnd, reinterpret_cast<HMENU>(kListId), nullptr, nullptr);
      const std::wstring current = companion::CurrentLanguage();
      for (const Language& language : kLanguages) {
        const auto index =
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(language.name));
        if (current == language.code) SendMessageW(list, LB_SETCURSEL, index, 0);
      }
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kListId && HIWORD(wParam) == LBN_SELCHANGE) {
        const auto index = SendMessageW(reinterpret_cast<HWND>(lParam), LB_GETCURSEL, 0, 0);
        if (index >= 0 && index < static_cast<LRESULT>(std::size(kLanguages))) {
          companion::SetLanguage(kLanguages[index].code);
        }
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

int RunWindow(HINSTANCE instance) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = &WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"QuilloraMain";
  RegisterClassW(&wc);
  CreateWindowExW(0, wc.lpszClassName, L"Quillora Pro 5", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                  CW_USEDEFAULT, CW_USEDEFAULT, 300, 260, nullptr, nullptr, instance, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  FirstRun();
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const std::wstring command = argc > 1 ? argv[1] : L"";
  const std::wstring argument = argc > 2 ? argv[2] : L"";
  LocalFree(argv);

  if (command.empty()) return RunWindow(instance);
  if (command == L"setup") return 0;
  if (command == L"lang" && !argument.empty()) {
    companion::SetLanguage(argument);
    return 0;
  }
  if (command == L"busy") {
    companion::WriteControl(companion::kBusyValue, argument == L"1" ? 1 : 0);
    return 0;
  }
  if (command == L"register") {
    return companion::RegisterServer(HKEY_LOCAL_MACHINE,
                                     Folder() + L"\\" + companion::kServerFileName)
               ? 0
               : 1;
  }
  if (command == L"unregister") {
    companion::UnregisterServer(HKEY_LOCAL_MACHINE);
    return 0;
  }
  if (command == L"log") {
    for (const std::wstring& line : companion::ReadLog(Folder())) Print(line + L"\n");
    return 0;
  }
  Print(L"usage: quillora [lang <code> | busy 0|1 | register | unregister | log | setup]\n");
  return 2;
}
