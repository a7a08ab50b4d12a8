#include "actions/ui_driver.h"

namespace actions_testing {

namespace {

constexpr DWORD kPollMs = 20;
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x0440;
constexpr int kFileNameComboId = 0x047C;  // cmb13
constexpr int kFileNameEditId = 0x0480;   // edt1
constexpr int kFileTypeComboId = 0x0470;  // cmb1

bool IsDialogOfThisProcess(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return false;
  wchar_t cls[16] = L"";
  GetClassNameW(window, cls, 16);
  return wcscmp(cls, L"#32770") == 0;
}

BOOL CALLBACK AddActiveDialog(HWND window, LPARAM found) {
  if (IsDialogOfThisProcess(window) && IsWindowEnabled(window)) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  }
  return TRUE;
}

std::vector<HWND> ActiveDialogs() {
  std::vector<HWND> found;
  EnumWindows(AddActiveDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

BOOL CALLBACK FindEdit(HWND child, LPARAM found) {
  wchar_t cls[16] = L"";
  GetClassNameW(child, cls, 16);
  if (_wcsicmp(cls, L"Edit") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

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
      unexpected.push_back(Text(now));
      PostMessageW(now, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      seen = nullptr;
    } else {
      seen = now;
    }
    Sleep(150);
  }
}

HWND User::WaitFor(const std::function<bool(HWND)>& match, const std::wstring& what) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kDeadlineMs) {
    for (HWND dialog : ActiveDialogs()) {
      if (match(dialog)) {
        // Let its initialisation finish before a user types into it.
        Sleep(100);
        return dialog;
      }
    }
    Sleep(kPollMs);
  }
  Problem(L"no window came up: " + what);
  return nullptr;
}

HWND User::WaitForSaveDialog() {
  return WaitFor([](HWND w) { return FileNameEdit(w) != nullptr && FileTypeCombo(w) != nullptr; },
                 L"the Save-as dialog");
}

HWND User::WaitForCaption(const std::wstring& caption) {
  return WaitFor([&](HWND w) { return Text(w) == caption; }, L"\"" + caption + L"\"");
}

SeenBox User::AnswerMessageBox(int button) {
  SeenBox box{};
  HWND window =
      WaitFor([](HWND w) { return GetDlgItem(w, kMessageBoxTextId) != nullptr; }, L"a message box");
  if (window == nullptr) return box;
  box.caption = Text(window);
  box.text = ItemText(window, kMessageBoxTextId);
  HWND icon = GetDlgItem(window, kMessageBoxIconId);
  box.icon = icon != nullptr && IsWindowVisible(icon)
                 ? reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0))
                 : nullptr;
  box.owner = GetWindow(window, GW_OWNER);
  boxes.push_back(box);
  Press(window, button);
  // The next step sees the next window, not this one on its way out.
  const DWORD start = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window) && GetTickCount() - start < kDeadlineMs) {
    Sleep(kPollMs);
  }
  return box;
}

std::wstring User::Text(HWND window) {
  wchar_t text[1024] = L"";
  SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return text;
}

std::wstring User::ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? Text(item) : std::wstring();
}

void User::SetItemText(HWND dialog, int id, const std::wstring& text) {
  SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void User::Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void User::Problem(const std::wstring& text) { problems.push_back(text); }

// The name field is an edit control, or one inside a (nested) combo box.
HWND FileNameEdit(HWND dialog) {
  HWND combo = GetDlgItem(dialog, kFileNameComboId);
  if (combo != nullptr && IsWindowVisible(combo)) {
    HWND edit = nullptr;
    EnumChildWindows(combo, FindEdit, reinterpret_cast<LPARAM>(&edit));
    if (edit != nullptr) return edit;
  }
  return GetDlgItem(dialog, kFileNameEditId);
}

HWND FileTypeCombo(HWND dialog) { return GetDlgItem(dialog, kFileTypeComboId); }

void ChooseFileType(HWND dialog, int index) {
  HWND combo = FileTypeCombo(dialog);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  // A choice in the drop-down list ends with both notifications.
  for (WORD notification : {CBN_SELENDOK, CBN_SELCHANGE}) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeComboId, notification),
                 reinterpret_cast<LPARAM>(combo));
  }
}

}  // namespace actions_testing
