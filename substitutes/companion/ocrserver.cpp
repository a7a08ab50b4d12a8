// The companion's automation server, in process: GetState reports busy or
// free, ShowScanSettings shows a small settings window, ScanCards scans the
// card through the colour-scan library into the companion's folder. Every
// call is appended to the log beside this library.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>

#include "config/ocrapplication.h"
#include "control.h"
#include "framework/unique_handle.h"
#include "window.h"

namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};
HINSTANCE g_module = nullptr;

using ColorScanFn = int(__stdcall*)(const wchar_t* source, int, int resolution, int, int, int, int,
                                    int, const wchar_t* path, int);
using SetUiFn = int(__stdcall*)(int language);

std::wstring Folder() {
  return companion::FolderOfModuleAt(reinterpret_cast<const void*>(&Folder));
}

LONGLONG Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// The start of a call that logs once it has done its work; zero outside one.
// The server is apartment-threaded: its calls come on one thread.
LONGLONG g_call_began = 0;
class CallStart {
 public:
  CallStart() { g_call_began = Now(); }
  ~CallStart() { g_call_began = 0; }
  CallStart(const CallStart&) = delete;
  CallStart& operator=(const CallStart&) = delete;
};

void Log(const std::wstring& line) {
  companion::AppendLog(Folder(), line, g_call_began ? g_call_began : Now());
}

std::wstring Format(const wchar_t* format, ...) {
  wchar_t text[512];
  va_list args;
  va_start(args, format);
  _vsnwprintf(text, 511, format, args);
  va_end(args);
  text[511] = L'\0';
  return text;
}

LRESULT CALLBACK SettingsProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) DestroyWindow(hwnd);
      return 0;
    case WM_TIMER:
      DestroyWindow(hwnd);
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A window of its own with a modal loop: it returns when the user closes it.
void RunSettingsWindow() {
  simshared::ScopedWindowClass windowClass(companion::kSettingsWindowClass, &SettingsProc,
                                           g_module);
  HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST,
                                companion::kSettingsWindowClass, L"Quillora 5 - Scan settings",
                                WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 200, 150, 320, 160,
                                nullptr, nullptr, g_module, nullptr);
  if (!window) return;
  simshared::AddChild(window, L"STATIC", L"Business cards: colour, 400 dpi, both sides", 0, 0, 0,
                      16, 16, 280, 20, nullptr);
  simshared::AddChild(window, L"BUTTON", L"OK", BS_DEFPUSHBUTTON, 0, IDOK, 110, 70, 90, 26,
                      nullptr);
  if (const DWORD closeMs = companion::ReadControl(companion::kSettingsCloseValue)) {
    SetTimer(window, 1, closeMs, nullptr);
  }
  const simshared::ModalEnd end = simshared::RunModalLoop(window);
  if (IsWindow(window)) DestroyWindow(window);
  if (end.quit) PostQuitMessage(end.exitCode);
}

std::wstring NewScanPath() {
  const std::wstring folder = Folder() + L"\\" + companion::kScanFolderName;
  CreateDirectoryW(folder.c_str(), nullptr);
  SYSTEMTIME now;
  GetLocalTime(&now);
  return folder + Format(L"\\card-%04u%02u%02u-%02u%02u%02u-%03u.jpg", now.wYear, now.wMonth,
                         now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
}

class OcrApplication : public Quillora::IOcrApplication {
 public:
  OcrApplication() {
    ++g_objects;
    Log(L"CreateInstance");
  }
  virtual ~OcrApplication() { --g_objects; }

  HRESULT __stdcall QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, Quillora::kOcrApplicationIid)) {
      *out = static_cast<Quillora::IOcrApplication*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG __stdcall AddRef() override { return ++refs_; }
  ULONG __stdcall Release() override {
    const ULONG left = --refs_;
    if (left == 0) {
      Log(L"Release");
      delete this;
    }
    return left;
  }

  HRESULT __stdcall GetVersion(BSTR* version) override {
    if (version) *version = SysAllocString(L"5.0.2");
    return S_OK;
  }
  HRESULT __stdcall GetEdition(std::int32_t* edition) override {
    if (edition) *edition = 2;
    return S_OK;
  }
  HRESULT __stdcall GetLanguage(BSTR* code) override {
    if (code) *code = SysAllocString(companion::CurrentLanguage().c_str());
    return S_OK;
  }
  HRESULT __stdcall SetLanguage(BSTR code) override {
    if (!code) return E_INVALIDARG;
    companion::SetLanguage(code);
    return S_OK;
  }
  HRESULT __stdcall GetApplicationPath(BSTR* path) override {
    if (path) *path = SysAllocString(Folder().c_str());
    return S_OK;
  }
  HRESULT __stdcall GetState(BSTR* text, std::int32_t* busy) override {
    const bool isBusy = companion::ReadControl(companion::kBusyValue) != 0;
    BSTR state = SysAllocString(isBusy ? L"Busy" : L"Ready");
    if (text) *text = state;
    if (busy) *busy = isBusy ? 1 : 0;
    Log(Format(L"GetState -> busy %d text %p", isBusy ? 1 : 0, static_cast<void*>(state)));
    return S_OK;
  }
  HRESULT __stdcall ShowMainWindow(std::int32_t) override { return E_NOTIMPL; }
  HRESULT __stdcall OpenDocument(BSTR) override { return E_NOTIMPL; }
  HRESULT __stdcall SaveDocument(BSTR) override { return E_NOTIMPL; }
  HRESULT __stdcall CloseDocument() override { return E_NOTIMPL; }
  HRESULT __stdcall GetCardCount(std::int32_t*) override { return E_NOTIMPL; }
  HRESULT __stdcall GetCardText(std::int32_t, BSTR*) override { return E_NOTIMPL; }
  HRESULT __stdcall DeleteCard(std::int32_t) override { return E_NOTIMPL; }
  HRESULT __stdcall ExportCards(BSTR, std::int32_t) override { return E_NOTIMPL; }
  HRESULT __stdcall ImportCards(BSTR) override { return E_NOTIMPL; }
  HRESULT __stdcall GetOption(BSTR, BSTR*) override { return E_NOTIMPL; }
  HRESULT __stdcall SetOption(BSTR, BSTR) override { return E_NOTIMPL; }
  HRESULT __stdcall ShowOptions() override { return E_NOTIMPL; }
  HRESULT __stdcall ShowAbout() override { return E_NOTIMPL; }
  HRESULT __stdcall ShowScanSettings(std::int32_t kind, std::int32_t* shown) override {
    Log(Format(L"ShowScanSettings(%d, %d)", kind, shown ? *shown : -1));
    RunSettingsWindow();
    Log(L"ScanSettingsClosed");
    return S_OK;
  }
  HRESULT __stdcall ScanFile(BSTR, std::int32_t) override { return E_NOTIMPL; }
  HRESULT __stdcall ScanCards(std::int32_t kind, std::int32_t* busy) override {
    const CallStart started;
    const std::wstring call = Format(L"ScanCards(%d, %d)", kind, busy ? *busy : -1);
    const afx::UniqueModule library(LoadLibraryW(L"ovrapixlw.dll"));
    auto* scan = library ? reinterpret_cast<ColorScanFn>(reinterpret_cast<void*>(
                               GetProcAddress(library.get(), "color_scanW")))
                         : nullptr;
    if (!scan) {
      Log(call + L" -> no colour-scan library");
      return S_OK;
    }
    if (auto* setui = reinterpret_cast<SetUiFn>(
            reinterpret_cast<void*>(GetProcAddress(library.get(), "setui_colorscan")))) {
      setui(0);
    }
    const std::wstring path = NewScanPath();
    const int result = scan(L"twaino73", 1, 400, 0, 0, 20, 1, 0, path.c_str(), 3);
    Log(call + Format(L" -> %d ", result) + path);
    return S_OK;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

class Factory : public IClassFactory {
 public:
  HRESULT __stdcall QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG __stdcall AddRef() override { return 2; }
  ULONG __stdcall Release() override { return 1; }
  HRESULT __stdcall CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* object = new OcrApplication;
    const HRESULT result = object->QueryInterface(iid, out);
    object->Release();
    return result;
  }
  HRESULT __stdcall LockServer(BOOL lock) override {
    lock ? ++g_locks : --g_locks;
    return S_OK;
  }
};

Factory g_factory;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = module;
  return TRUE;
}

HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, Quillora::kOcrApplicationClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

HRESULT __stdcall DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }

HRESULT __stdcall DllRegisterServer() {
  const std::wstring dll = Folder() + L"\\" + companion::kServerFileName;
  return companion::RegisterServer(HKEY_LOCAL_MACHINE, dll) ? S_OK : E_FAIL;
}

HRESULT __stdcall DllUnregisterServer() {
  companion::UnregisterServer(HKEY_LOCAL_MACHINE);
  return S_OK;
}
}
