#include "settings/opendialogs.h"

#include <algorithm>

#include "framework/dialog.h"

OpenDialogs& ProgramDialogs() {
  static OpenDialogs dialogs;
  return dialogs;
}

OpenDialogs::Scope::Scope(CDialog* dialog, DialogRole role) : dialog_(dialog) {
  ProgramDialogs().entries_.push_back({dialog, role});
}

OpenDialogs::Scope::~Scope() {
  auto& entries = ProgramDialogs().entries_;
  const auto found = std::find_if(entries.rbegin(), entries.rend(),
                                  [this](const Entry& entry) { return entry.dialog == dialog_; });
  if (found != entries.rend()) entries.erase(std::next(found).base());
}

CDialog* OpenDialogs::Find(DialogRole role) const {
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    if (entry->role == role) return entry->dialog;
  }
  return nullptr;
}

void OpenDialogs::EndAll(int result) const {
  // A copy: ending a dialog may run code that closes another.
  const std::vector<Entry> open = entries_;
  for (auto entry = open.rbegin(); entry != open.rend(); ++entry) entry->dialog->EndDialog(result);
}
