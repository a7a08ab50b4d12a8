// What the tests share: watching debug output, recording the shell's tray
// calls, the simulated scanner, registry clean-up, a module's imports.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "desktop/process.h"
#include "framework/debug.h"

namespace testing_support {

// Records debug output and assertion reports while it lives.
class DebugRecorder : public afx::DebugSink {
 public:
  struct Report {
    std::wstring expression;
    std::wstring unit;
    int line;
  };
  DebugRecorder();
  ~DebugRecorder() override;
  void Output(const wchar_t* text) override;
  void Report(const wchar_t* expression, const wchar_t* unit, int line) override;

  bool Saw(const std::wstring& line) const;
  int Count(const std::wstring& line) const;
  void Clear();

  std::vector<std::wstring> lines;
  std::vector<struct Report> reports;

 private:
  afx::DebugSink* previous_;
};

// Records what the tray icon asks of the shell while it lives.
class ShellRecorder {
 public:
  struct Call {
    DWORD message;
    UINT id;
    UINT flags;
    HWND hwnd;
    HICON icon;
    int icon_width;
    UINT callback;
    DWORD size;
    std::wstring tip;
    bool driver_loaded;  // whether the scanner driver was loaded at the time
  };
  ShellRecorder();
  ~ShellRecorder();

  // The icon shown now, following NIM_ADD and NIM_MODIFY calls.
  HICON CurrentIcon() const;
  int Count(DWORD message) const;
  void Clear() { calls.clear(); }

  std::vector<Call> calls;
  // The next this many calls are recorded and answered FALSE, as by a shell
  // that is not there yet or too busy to answer.
  int refuse_next = 0;

 private:
  static BOOL WINAPI Notify(DWORD message, PNOTIFYICONDATAW data);
};

HICON AppIcon(UINT id);
std::wstring ExeDir();
// The program as built, in the distribution folder beside the tests' one.
std::wstring ProgramPath();
// Starts the built program in `folder` (empty: the test's own).
bool StartProgram(desktop::Child& child, const std::wstring& folder = {});
// Copies the simulated data source from beside the test program into the
// Windows TWAIN folder, where the driver binding looks for it.
void InstallDataSource();
void RemoveDataSource();
void DeleteKeyTree(HKEY root, const wchar_t* path);
// Pumps this thread's messages for `ms` milliseconds.
void Pump(DWORD ms);
// Pumps this thread's messages until `done` holds or `ms` milliseconds have
// passed; returns whether it held.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000);

// For a test that opens a menu or a modal dialog and inspects it from a
// timer: if the inspection never happens, this ends every menu and dialog of
// the thread after `ms` milliseconds, so the test fails instead of hanging.
class Watchdog {
 public:
  explicit Watchdog(DWORD ms = 5000);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  bool Fired() const { return fired_; }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD);
  UINT_PTR timer_;
  static inline bool fired_ = false;
};

// A function a module imports, from its import or delay-import directory.
struct Import {
  std::string dll;
  bool delayed;          // the DLL loads on the first call, not with the module
  std::string function;  // empty for an import by ordinal
  void** slot;           // where the module calls it through
};

// `module` is a loaded module or a file mapped with LOAD_LIBRARY_AS_IMAGE_RESOURCE.
std::vector<Import> ImportsOf(HMODULE module);

}  // namespace testing_support
