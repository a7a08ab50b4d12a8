#include "support/test_support.h"

#include "desktop/windowing.h"
#include "frame/trayicon.h"
#include "framework/unique_handle.h"
#include "resource.h"

namespace testing_support {

DebugRecorder::DebugRecorder() : previous_(afx::SetDebugSink(this)) {}

DebugRecorder::~DebugRecorder() { afx::SetDebugSink(previous_); }

void DebugRecorder::Output(const wchar_t* text) { lines.emplace_back(text); }

void DebugRecorder::Report(const wchar_t* expression, const wchar_t* unit, int line) {
  reports.push_back({expression, unit, line});
}

bool DebugRecorder::Saw(const std::wstring& line) const { return Count(line) > 0; }

int DebugRecorder::Count(const std::wstring& line) const {
  int count = 0;
  for (const auto& seen : lines) count += seen == line;
  return count;
}

void DebugRecorder::Clear() {
  lines.clear();
  reports.clear();
}

namespace {
ShellRecorder* g_shell = nullptr;

// An icon's width and its pixels, colour and mask, as 32-bit values.
std::vector<DWORD> Picture(HICON icon, int* width) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return {};
  BITMAP mask{};
  GetObjectW(info.hbmMask, sizeof(mask), &mask);
  *width = mask.bmWidth;
  const int height = info.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
  std::vector<DWORD> pixels;
  HDC dc = GetDC(nullptr);
  for (HBITMAP bitmap : {info.hbmColor, info.hbmMask}) {
    if (!bitmap) continue;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), *width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> part(static_cast<size_t>(*width) * height);
    GetDIBits(dc, bitmap, 0, height, part.data(), &bi, DIB_RGB_COLORS);
    pixels.insert(pixels.end(), part.begin(), part.end());
    DeleteObject(bitmap);
  }
  ReleaseDC(nullptr, dc);
  return pixels;
}

// The tray gets icons of its own; a call is recorded with the handle that
// AppIcon gives the program's icon of the same picture, and with its width.
HICON Recognise(HICON icon, int* width) {
  *width = 0;
  if (!icon) return nullptr;
  const std::vector<DWORD> shown = Picture(icon, width);
  for (UINT id : {IDI_SCANNER_ATTACHED, IDI_NO_SCANNER, IDI_SCANNER_LOCKED}) {
    const afx::UniqueIcon candidate(static_cast<HICON>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, *width, *width, 0)));
    int candidateWidth = 0;
    if (Picture(candidate.get(), &candidateWidth) == shown) return AppIcon(id);
  }
  return icon;
}
CTrayIcon::ShellNotifyFn g_previous_notify = nullptr;
}  // namespace

ShellRecorder::ShellRecorder() {
  g_shell = this;
  g_previous_notify = CTrayIcon::shell_notify;
  CTrayIcon::shell_notify = &ShellRecorder::Notify;
}

ShellRecorder::~ShellRecorder() {
  CTrayIcon::shell_notify = g_previous_notify;
  g_shell = nullptr;
}

BOOL WINAPI ShellRecorder::Notify(DWORD message, PNOTIFYICONDATAW data) {
  if (g_shell) {
    int width = 0;
    const HICON icon = Recognise(data->hIcon, &width);
    g_shell->calls.push_back({message, data->uID, data->uFlags, data->hWnd, icon, width,
                              data->uCallbackMessage, data->cbSize, data->szTip,
                              GetModuleHandleW(L"kdv310.dll") != nullptr});
    if (g_shell->refuse_next > 0) {
      --g_shell->refuse_next;
      return FALSE;
    }
  }
  return TRUE;
}

HICON ShellRecorder::CurrentIcon() const {
  HICON icon = nullptr;
  for (const Call& call : calls) {
    if ((call.message == NIM_ADD || call.message == NIM_MODIFY) && (call.flags & NIF_ICON)) {
      icon = call.icon;
    }
  }
  return icon;
}

int ShellRecorder::Count(DWORD message) const {
  int count = 0;
  for (const Call& call : calls) count += call.message == message;
  return count;
}

HICON AppIcon(UINT id) { return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)); }

std::wstring ExeDir() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, length);
  return dir.substr(0, dir.find_last_of(L'\\'));
}

std::wstring ProgramPath() { return ExeDir() + L"\\..\\dist\\ButtonManager.exe"; }

bool StartProgram(desktop::Child& child, const std::wstring& folder) {
  return child.Start(L"\"" + ProgramPath() + L"\"", folder);
}

namespace {
std::wstring DataSourceFolder() {
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  return std::wstring(windows) + L"\\twain_32\\Plexo";
}
}  // namespace

void InstallDataSource() {
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  CreateDirectoryW((std::wstring(windows) + L"\\twain_32").c_str(), nullptr);
  CreateDirectoryW(DataSourceFolder().c_str(), nullptr);
  CopyFileW((ExeDir() + L"\\kdv310.ds").c_str(), (DataSourceFolder() + L"\\kdv310.ds").c_str(),
            FALSE);
}

void RemoveDataSource() { DeleteFileW((DataSourceFolder() + L"\\kdv310.ds").c_str()); }

void DeleteKeyTree(HKEY root, const wchar_t* path) {
  RegDeleteTreeW(root, path);
  RegDeleteKeyW(root, path);
}

void Pump(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  return desktop::WaitUntil(
      [&] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
          if (msg.message == WM_QUIT) continue;
          TranslateMessage(&msg);
          DispatchMessageW(&msg);
        }
        if (done()) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        return false;
      },
      ms, 0);
}

namespace {}  // namespace

Watchdog::Watchdog(DWORD ms) {
  fired_ = false;
  timer_ = SetTimer(nullptr, 0, ms, &Watchdog::OnTimer);
}

Watchdog::~Watchdog() { KillTimer(nullptr, timer_); }

void CALLBACK Watchdog::OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  fired_ = true;
  EndMenu();
  for (HWND dialog : desktop::ThreadWindows(GetCurrentThreadId(), desktop::kDialogClass, false)) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }
}

std::vector<Import> ImportsOf(HMODULE module) {
  // A module mapped as an image resource has its handle's low bits set.
  auto* base = reinterpret_cast<BYTE*>(reinterpret_cast<ULONG_PTR>(module) & ~ULONG_PTR{3});
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY* directories = nt->OptionalHeader.DataDirectory;

  std::vector<Import> imports;
  const auto add = [&](DWORD dll, bool delayed, DWORD names, DWORD slots) {
    auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + names);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + slots);
    for (; name->u1.AddressOfData; ++name, ++slot) {
      std::string function;
      if (!IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) {
        function =
            reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name;
      }
      imports.push_back({reinterpret_cast<const char*>(base + dll), delayed, function,
                         reinterpret_cast<void**>(&slot->u1.Function)});
    }
  };
  if (const DWORD at = directories[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress) {
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + at); d->Name; ++d) {
      add(d->Name, false, d->OriginalFirstThunk, d->FirstThunk);
    }
  }
  if (const DWORD at = directories[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress) {
    for (auto* d = reinterpret_cast<const IMAGE_DELAYLOAD_DESCRIPTOR*>(base + at); d->DllNameRVA;
         ++d) {
      add(d->DllNameRVA, true, d->ImportNameTableRVA, d->ImportAddressTableRVA);
    }
  }
  return imports;
}

}  // namespace testing_support
