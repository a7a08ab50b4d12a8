// A user on a thread of its own: it waits for this process's windows (the
// Save-as dialog, message boxes, the mail client's compose window), reads
// them, fills them and presses their buttons, while the test's thread is
// inside the action's modal loops. Every wait has a deadline; a window that
// nobody expected is recorded and dismissed, so no test hangs.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "desktop/windowing.h"

namespace desktop {

class User {
 public:
  using Script = std::function<void(User&)>;
  static constexpr DWORD kDeadlineMs = desktop::kDeadlineMs;

  // Starts `script` at once; an empty script only watches for windows.
  explicit User(Script script = nullptr);
  ~User();
  User(const User&) = delete;
  User& operator=(const User&) = delete;

  // Tells the user that the action has returned and waits for the thread.
  void Done();

  // --- For scripts (on the user's thread). ---
  // The enabled, visible top-level dialog of this process that `match`
  // accepts; null (recorded as a problem) after the deadline.
  HWND WaitFor(const std::function<bool(HWND)>& match, const std::wstring& what);
  HWND WaitForCaption(const std::wstring& caption);
  HWND WaitForSaveDialog();
  // A message box: what it shows, then it is answered with `button`.
  SeenBox AnswerMessageBox(int button = IDOK);
  void Problem(const std::wstring& text);

  // --- After Done. ---
  std::vector<std::wstring> problems;
  std::vector<SeenBox> boxes;
  // Windows that appeared without a script step for them (their captions).
  std::vector<std::wstring> unexpected;

 private:
  void Run(Script script);
  void Watch();

  std::atomic<bool> done_{false};
  std::thread thread_;
};

// The Save-as dialog's parts.
HWND FileNameEdit(HWND dialog);
HWND FileTypeCombo(HWND dialog);
// Picks file type `index` (0-based) as a user does in the combo box.
void ChooseFileType(HWND dialog, int index);
// Types `name` and presses Save.
void SaveAs(HWND dialog, const std::wstring& name);

}  // namespace desktop
