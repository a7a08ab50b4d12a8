// The program's modal dialogs that are on screen, innermost last: one place
// that says whether the settings dialog or the about box is open, which
// settings dialog that is, and what Exit has to end before the frame closes.
#pragma once

#include <vector>

class CDialog;

enum class DialogRole {
  SETTINGS,  // the settings dialog
  ABOUT,     // the about box of the About command
  NESTED,    // a dialog opened from another one
};

class OpenDialogs {
 public:
  // Holds `dialog` in the program's list while its modal loop runs.
  class Scope {
   public:
    Scope(CDialog* dialog, DialogRole role);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    CDialog* dialog_;
  };

  bool IsOpen(DialogRole role) const { return Find(role) != nullptr; }
  // The innermost open dialog of `role`; null when none is open.
  CDialog* Find(DialogRole role) const;
  // Ends every open dialog with `result`, innermost first.
  void EndAll(int result) const;

 private:
  struct Entry {
    CDialog* dialog;
    DialogRole role;
  };
  std::vector<Entry> entries_;
};

// The one list of the process.
OpenDialogs& ProgramDialogs();
