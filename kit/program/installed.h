// The installation that the test kit and the installer left in this prefix,
// and the program in it as a user meets it: started as the Run value says,
// driven through its tray icon's messages, its windows and keys, ended
// through its tray menu's Exit, its settings in the registry.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "desktop/input.h"
#include "desktop/process.h"
#include "desktop/windowing.h"
#include "framework/unique_handle.h"
#include "program/screen.h"

namespace e2e {

using desktop::IsMessageBox;
using desktop::kDeadlineMs;
using desktop::SeenBox;
using desktop::WaitForWindow;
using desktop::WaitUntil;
using desktop::WindowsOf;

// The user's own folder, where the shell starts programs at log-on.
std::wstring UserFolder();
// The message box of `process` that comes within `ms`, read and answered with OK.
SeenBox AnswerMessageBox(DWORD process, DWORD ms = kDeadlineMs);

// Where things are, found as the user's system finds them.
struct Places {
  std::wstring run;          // the Run value: the command line of the log-on start
  std::wstring program;      // the program it starts
  std::wstring folder;       // the program's folder, which is the companion's
  std::wstring system;       // the system folder: the driver, the colour-scan library
  std::wstring dataSource;   // the TWAIN data source
  std::wstring panel;        // the scanner's control panel
  std::wstring companion;    // the companion OCR application
  std::wstring temp;         // the user's temporary folder
  std::wstring substitutes;  // the build's substitutes, for the variants the faults use
  std::wstring output;       // files for the host's checks, and screenshots
};
const Places& Installed();

// The scanner panel's and the companion's command lines; false when the
// command failed.
bool Scanner(const std::wstring& arguments);
bool Companion(const std::wstring& arguments);
// The companion's call log.
std::vector<std::wstring> CompanionCalls();
// Whether the companion logged a ScanCards after its first `calls` lines; with
// `scanned`, one whose scan succeeded.
bool ScanCardsSince(size_t calls, bool scanned = false);
// The files in `folder` whose names match `pattern`, full paths, sorted.
std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern);

struct StoredSettings {
  bool key = false;
  DWORD actionType = REG_NONE;
  DWORD action = 0;
  DWORD formatType = REG_NONE;
  DWORD format = 0;
};
StoredSettings ReadSettings();

// A text of the program's English string table, as its windows show it.
std::wstring ProgramText(UINT id);
// Whether `shown` is the program's text `id`, with whatever went into its "%s".
bool ShowsProgramText(const std::wstring& shown, UINT id);

struct MenuItem {
  UINT id;
  std::wstring text;
  bool enabled;
  bool isDefault;
};

enum class Destination { FILE, EMAIL };

class Program {
 public:
  // The mouse goes to the program's icon in `tray` before it clicks.
  explicit Program(const e2e::Tray& tray);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Starts it as the Run value says, with `environment` changes (NAME=value);
  // true when its frame came up.
  bool Start(const std::vector<std::wstring>& environment = {});
  // Takes over a process that was started otherwise; true when its frame came up.
  bool Adopt(afx::UniqueHandleT process);
  // Whether the process ends within `ms`; its exit code in `code`.
  bool Ends(DWORD ms, DWORD* code = nullptr) const;
  // Ended through the tray menu's Exit; true when the process ended.
  bool Exit();
  void Kill();

  bool Running() const;
  // Whether its frame answers a message within `ms`.
  bool Responsive(DWORD ms = 5000) const;
  DWORD id() const { return id_; }
  HWND frame() const { return frame_; }

  // The tray icon's callback message for the mouse message `mouse`, with the
  // mouse over the icon as after a click.
  void ClickIcon(UINT mouse) const;
  // Opens the tray menu with the right mouse button and reads it; the menu
  // stays open. Empty when none opened.
  std::vector<MenuItem> OpenMenu();
  // In the open menu: the item with command `command`, by the keyboard.
  void Choose(UINT command);
  void CloseMenu();

  // Its dialog that holds the control `id`, or null after `ms`.
  HWND WaitForDialog(int id, DWORD ms = kDialogMs) const;
  // The settings dialog, opened by a double click on the icon.
  HWND OpenSettings();
  // Sets the left button's destination in the settings dialog, with OK.
  bool ChooseDestination(Destination destination);
  Destination destination() const { return destination_; }

 private:
  static constexpr DWORD kDialogMs = 10000;
  HWND MenuWindow() const;

  const e2e::Tray& tray_;
  afx::UniqueHandleT process_;
  DWORD id_ = 0;
  HWND frame_ = nullptr;
  HHOOK probe_ = nullptr;
  afx::UniqueModule probeLibrary_;
  afx::UniqueHandleT probeMemory_;
  afx::UniqueMappedView probeView_;
  std::vector<MenuItem> menu_;
  Destination destination_ = Destination::FILE;
};

}  // namespace e2e
