#include "desktop/user.h"

namespace desktop {

namespace {

constexpr int kFileNameComboId = 0x047C;  // cmb13
constexpr int kFileNameEditId = 0x0480;   // edt1
constexpr int kFileTypeComboId = 0x0470;  // cmb1

std::vector<HWND> ActiveDialogs() { return WindowsOf(GetCurrentProcessId(), IsDialog); }

}  // namespace

User::User(Script script) {
  thread_ = std::thread([this, script] { Run(script); });
}

User::~User() { Done(); }

void User::Done() {
  done_ = true;
  if (thread_.joinable()) thread_.join();
}

void User::Run(Script script) {
  if (script) script(*this);
  Watch();
}

// Anything still coming up is unexpected: it is dismissed so the action returns.
void User::Watch() {
  const DWORD start = GetTickCount();
  HWND seen = nullptr;
  while (!done_) {
    if (GetTickCount() - start > 4 * kDeadlineMs) {
      Problem(L"the action did not return");
      return;
    }
    const std::vector<HWND> dialogs = ActiveDialogs();
    HWND now = dialogs.empty() ? nullptr : dialogs.front();
    // Seen twice in a row, so not one that is just closing.
    if (now != nullptr && now == seen) {
      unexpected.push_back(TextOf(now));
      PostMessageW(now, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      seen = nullptr;
    } else {
      seen = now;
    }
    Sleep(150);
  }
}

HWND User::WaitFor(const std::function<bool(HWND)>& match, const std::wstring& what) {
  const HWND dialog =
      WaitForWindow(GetCurrentProcessId(), [&](HWND w) { return IsDialog(w) && match(w); });
  if (dialog == nullptr) {
    Problem(L"no window came up: " + what);
    return nullptr;
  }
  // Let its initialisation finish before a user types into it.
  Sleep(100);
  return dialog;
}

HWND User::WaitForSaveDialog() {
  return WaitFor([](HWND w) { return FileNameEdit(w) != nullptr && FileTypeCombo(w) != nullptr; },
                 L"the Save-as dialog");
}

HWND User::WaitForCaption(const std::wstring& caption) {
  return WaitFor([&](HWND w) { return TextOf(w) == caption; }, L"\"" + caption + L"\"");
}

SeenBox User::AnswerMessageBox(int button) {
  const HWND window = WaitFor(IsMessageBox, L"a message box");
  if (window == nullptr) return SeenBox{};
  boxes.push_back(desktop::AnswerMessageBox(window, button));
  return boxes.back();
}

void User::Problem(const std::wstring& text) { problems.push_back(text); }

// The name field is an edit control, or one inside a (nested) combo box.
HWND FileNameEdit(HWND dialog) {
  HWND combo = GetDlgItem(dialog, kFileNameComboId);
  if (combo != nullptr && IsWindowVisible(combo)) {
    for (HWND child : Descendants(combo)) {
      if (_wcsicmp(ClassOf(child).c_str(), L"Edit") == 0) return child;
    }
  }
  return GetDlgItem(dialog, kFileNameEditId);
}

HWND FileTypeCombo(HWND dialog) { return GetDlgItem(dialog, kFileTypeComboId); }

void ChooseFileType(HWND dialog, int index) {
  HWND combo = FileTypeCombo(dialog);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  NotifyChosen(combo);
}

void SaveAs(HWND dialog, const std::wstring& name) {
  SetText(FileNameEdit(dialog), name);
  Press(dialog, IDOK);
}

}  // namespace desktop
