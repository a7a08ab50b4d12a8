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

#include <iterator>
#include <string>
#include <vector>

#include "control.h"
#include "text.h"
#include "window.h"

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
constexpr wchar_t kMainClass[] = L"QuilloraMain";

using simshared::AddChild;

std::wstring Folder() {
  return companion::FolderOfModuleAt(reinterpret_cast<const void*>(&Folder));
}

void Print(const std::wstring& text) { simshared::WriteStd(STD_OUTPUT_HANDLE, text); }

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
      AddChild(hwnd, L"STATIC", L"Language of the user interface:", 0, 0, 0, 12, 10, 260, 18,
               nullptr);
      HWND list = AddChild(hwnd, L"LISTBOX", nullptr, WS_VSCROLL | LBS_NOTIFY, WS_EX_CLIENTEDGE,
                           kListId, 12, 32, 260, 180, nullptr);
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
  simshared::ScopedWindowClass windowClass(kMainClass, &WindowProc, instance);
  CreateWindowExW(0, kMainClass, L"Quillora Pro 5", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                  CW_USEDEFAULT, 300, 260, nullptr, nullptr, instance, nullptr);
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
  const std::vector<std::wstring> args = simshared::CommandArguments();
  const std::wstring command = args.size() > 1 ? args[1] : std::wstring();
  const std::wstring argument = args.size() > 2 ? args[2] : std::wstring();

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
