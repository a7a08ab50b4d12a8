#include "program/installed.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "control.h"
#include "device/scanner_exports.h"
#include "framework/framewnd.h"
#include "framework/modulepath.h"
#include "program/menu_probe.h"
#include "resource.h"
#include "settings/settings.h"
#include "simstate.h"

namespace e2e {

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"ButtonManager";
constexpr wchar_t kPanelFolder[] = L"\\KOVA7\\Scanner\\scannersim.exe";
constexpr DWORD kStartMs = 20000;
constexpr DWORD kExitMs = 10000;
constexpr DWORD kRetryMs = 500;

std::wstring ReadText(HKEY root, const wchar_t* key, const wchar_t* name) {
  wchar_t text[MAX_PATH * 2] = L"";
  DWORD bytes = sizeof(text);
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS) {
    return L"";
  }
  return text;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

Places Find() {
  Places places;
  places.run = ReadText(HKEY_CURRENT_USER, kRunKey, kRunValue);
  int count = 0;
  if (wchar_t** argv = CommandLineToArgvW(places.run.c_str(), &count)) {
    if (count > 0) places.program = argv[0];
    LocalFree(argv);
  }
  places.folder = afx::FolderOf(places.program);
  wchar_t path[MAX_PATH] = L"";
  GetSystemDirectoryW(path, MAX_PATH);
  places.system = path;
  GetWindowsDirectoryW(path, MAX_PATH);
  places.dataSource = std::wstring(path) + scanner::kDataSourcePath;
  SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path);
  places.panel = std::wstring(path) + kPanelFolder;
  places.companion = places.folder + L"\\quillora.exe";
  GetTempPathW(MAX_PATH, path);
  places.temp = path;
  places.substitutes = desktop::Variable(L"E2E_SUBSTITUTES");
  places.output = desktop::Variable(L"E2E_OUTPUT");
  return places;
}

HMODULE ProgramFile() {
  static const afx::UniqueModule file(
      LoadLibraryExW(Installed().program.c_str(), nullptr,
                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  return file.get();
}

// A command that certainly did nothing is given again, should Wine now and
// then refuse a start or the loader stop it. `nothingDone` (when not 0) is
// the program's exit code for a command it gave up on before changing a thing.
bool Command(const std::wstring& program, const std::wstring& arguments, DWORD nothingDone) {
  constexpr int kTries = 3;
  for (int attempt = 1;; ++attempt) {
    const desktop::Ran ran = desktop::Run(Quoted(program) + L" " + arguments, UserFolder());
    const bool again = ran.NeverRan() || (ran.outcome == desktop::Ran::FAILED && nothingDone != 0 &&
                                          ran.code == nothingDone);
    if (ran || !again || attempt == kTries) return static_cast<bool>(ran);
    Sleep(kRetryMs);
  }
}

}  // namespace

std::wstring UserFolder() { return desktop::Variable(L"USERPROFILE"); }

SeenBox AnswerMessageBox(DWORD process, DWORD ms) {
  const HWND window = WaitForWindow(process, IsMessageBox, ms);
  return window == nullptr ? SeenBox() : desktop::AnswerMessageBox(window, IDOK);
}

const Places& Installed() {
  static const Places places = Find();
  return places;
}

bool Scanner(const std::wstring& arguments) {
  return Command(Installed().panel, arguments, scannersim::kExitNoState);
}

bool Companion(const std::wstring& arguments) {
  return Command(Installed().companion, arguments, 0);
}

std::vector<std::wstring> CompanionCalls() { return companion::ReadLog(Installed().folder); }

bool ScanCardsSince(size_t calls, bool scanned) {
  const std::vector<std::wstring> log = CompanionCalls();
  for (size_t i = calls; i < log.size(); ++i) {
    if (log[i].rfind(L"ScanCards", 0) == 0 &&
        (!scanned || log[i].find(L" -> 0 ") != std::wstring::npos)) {
      return true;
    }
  }
  return false;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern) {
  std::vector<std::wstring> files;
  WIN32_FIND_DATAW found;
  const afx::UniqueFind find(FindFirstFileW((folder + L"\\" + pattern).c_str(), &found));
  if (!find) return files;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      files.push_back(folder + L"\\" + found.cFileName);
    }
  } while (FindNextFileW(find.get(), &found));
  std::sort(files.begin(), files.end());
  return files;
}

StoredSettings ReadSettings() {
  StoredSettings stored;
  afx::UniqueRegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, ButtonManagerSettings::kKeyPath, 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS) {
    return stored;
  }
  stored.key = true;
  DWORD bytes = sizeof(DWORD);
  RegQueryValueExW(key.get(), ButtonManagerSettings::kButtonLeftAction, nullptr, &stored.actionType,
                   reinterpret_cast<BYTE*>(&stored.action), &bytes);
  bytes = sizeof(DWORD);
  RegQueryValueExW(key.get(), ButtonManagerSettings::kFormatExtFile, nullptr, &stored.formatType,
                   reinterpret_cast<BYTE*>(&stored.format), &bytes);
  return stored;
}

std::wstring ProgramText(UINT id) {
  wchar_t text[1024] = L"";
  LoadStringW(ProgramFile(), id, text, 1024);
  return text;
}

bool ShowsProgramText(const std::wstring& shown, UINT id) {
  const std::wstring text = ProgramText(id);
  const size_t slot = text.find(L"%s");
  if (slot == std::wstring::npos) return !text.empty() && shown == text;
  const std::wstring before = text.substr(0, slot);
  const std::wstring after = text.substr(slot + 2);
  return shown.size() >= before.size() + after.size() && shown.compare(0, slot, before) == 0 &&
         shown.compare(shown.size() - after.size(), after.size(), after) == 0;
}

Program::Program(const e2e::Tray& tray) : tray_(tray) {
  probeMemory_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(ProbedMenu), kMenuProbeMemory));
  if (probeMemory_) {
    probeView_.reset(MapViewOfFile(probeMemory_.get(), FILE_MAP_WRITE, 0, 0, sizeof(ProbedMenu)));
  }
  const std::wstring probe =
      afx::FolderOf(afx::ModuleFileName(nullptr)) + L"\\" + kMenuProbeLibrary;
  probeLibrary_.reset(LoadLibraryW(probe.c_str()));
}

Program::~Program() { Kill(); }

bool Program::Start(const std::vector<std::wstring>& environment) {
  Kill();
  return Adopt(desktop::Start(Installed().run, UserFolder(), environment));
}

bool Program::Adopt(afx::UniqueHandleT process) {
  Kill();
  process_ = std::move(process);
  if (!process_) return false;
  id_ = GetProcessId(process_.get());
  frame_ = desktop::WaitForWindowOf(process_.get(), CFrameWnd::kClassName, kStartMs);
  if (frame_ == nullptr) return false;
  const auto hook = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(GetProcAddress(probeLibrary_.get(), kMenuProbeHook)));
  if (hook) {
    probe_ = SetWindowsHookExW(WH_CALLWNDPROCRET, hook, probeLibrary_.get(),
                               GetWindowThreadProcessId(frame_, nullptr));
  }
  const StoredSettings stored = ReadSettings();
  destination_ = stored.actionType == REG_DWORD && stored.action == DESTINATION_EMAIL
                     ? Destination::EMAIL
                     : Destination::FILE;
  return true;
}

bool Program::Ends(DWORD ms, DWORD* code) const {
  if (!process_) return true;
  const bool ended = WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0;
  if (ended && code) GetExitCodeProcess(process_.get(), code);
  return ended;
}

bool Program::Exit() {
  if (!Running()) return true;
  if (OpenMenu().empty()) return false;
  Choose(ID_EXIT);
  return Ends(kExitMs);
}

void Program::Kill() {
  if (probe_) UnhookWindowsHookEx(probe_);
  probe_ = nullptr;
  if (Running()) {
    TerminateProcess(process_.get(), 1);
    Ends(kExitMs);
  }
}

bool Program::Running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool Program::Responsive(DWORD ms) const {
  DWORD_PTR result = 0;
  return Running() && SendMessageTimeoutW(frame_, WM_NULL, 0, 0, SMTO_NORMAL, ms, &result) != 0;
}

void Program::ClickIcon(UINT mouse) const {
  POINT icon = {};
  if (tray_.Locate(&icon)) SetCursorPos(icon.x, icon.y);
  desktop::PostTrayMouse(frame_, mouse);
}

HWND Program::MenuWindow() const {
  const std::vector<HWND> menus =
      WindowsOf(id_, [](HWND window) { return desktop::ClassOf(window) == desktop::kMenuClass; });
  return menus.empty() ? nullptr : menus.front();
}

std::vector<MenuItem> Program::OpenMenu() {
  menu_.clear();
  auto* probed = static_cast<ProbedMenu*>(probeView_.get());
  if (probed == nullptr) return menu_;
  const LONG before = probed->sequence;
  ClickIcon(WM_RBUTTONUP);
  if (!WaitUntil([&] { return probed->sequence != before && MenuWindow() != nullptr; },
                 kDialogMs)) {
    return menu_;
  }
  for (int i = 0; i < probed->count; ++i) {
    const ProbedMenu::Item& item = probed->items[i];
    menu_.push_back({item.id, item.text, !(item.state & (MF_GRAYED | MF_DISABLED)),
                     (item.state & MFS_DEFAULT) != 0});
  }
  return menu_;
}

void Program::Choose(UINT command) {
  const HWND menu = MenuWindow();
  // Down from no selection reaches the first item; separators are passed over.
  int downs = 0;
  for (const MenuItem& item : menu_) {
    if (item.id != 0) ++downs;
    if (item.id == command) break;
  }
  for (int i = 0; i < downs; ++i) desktop::PostKey(menu, VK_DOWN);
  desktop::PostKey(menu, VK_RETURN);
  desktop::WaitGone(menu);
}

void Program::CloseMenu() {
  const HWND menu = MenuWindow();
  if (menu == nullptr) return;
  desktop::PostKey(menu, VK_ESCAPE);
  desktop::WaitGone(menu);
}

HWND Program::WaitForDialog(int id, DWORD ms) const {
  return WaitForWindow(
      id_, [id](HWND w) { return desktop::IsDialog(w) && desktop::Descendant(w, id); }, ms);
}

HWND Program::OpenSettings() {
  ClickIcon(WM_LBUTTONDBLCLK);
  return WaitForDialog(IDC_TAB);
}

bool Program::ChooseDestination(Destination destination) {
  const HWND dialog = OpenSettings();
  if (dialog == nullptr) return false;
  const HWND list = desktop::Descendant(dialog, IDC_DESTINATION);
  const std::wstring text = ProgramText(destination == Destination::EMAIL ? IDS_EMAIL : IDS_FILE);
  const LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
  if (index == CB_ERR) return false;
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  desktop::Press(dialog, IDOK);
  if (!WaitUntil([&] { return !IsWindow(dialog); })) return false;
  destination_ = destination;
  return true;
}

}  // namespace e2e
