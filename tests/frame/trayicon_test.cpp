#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/frame_fixture.h"
#include "framework/dialog.h"
#include "settings/localized.h"
#include "settings/opendialogs.h"

namespace frame_testing {
namespace {

using testing_support::AppIcon;

struct MenuItem {
  std::wstring text;
  UINT id;
  bool separator;
  bool grayed;
  bool isDefault;
};

// What the tray menu looked like while it was open.
std::vector<MenuItem> g_seen;
bool g_menu_found = false;

void CALLBACK InspectMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND popup = FindWindowW(L"#32768", nullptr);
  if (!popup) return;
  KillTimer(nullptr, timer);
  auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, 0x01E1 /* MN_GETHMENU */, 0, 0));
  g_menu_found = menu != nullptr;
  const UINT defaultItem = GetMenuDefaultItem(menu, TRUE, 0);
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
    const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
    g_seen.push_back({text, GetMenuItemID(menu, i), (state & MF_SEPARATOR) != 0,
                      (state & MF_GRAYED) != 0, defaultItem == static_cast<UINT>(i)});
  }
  EndMenu();
}

// Records the WM_COMMANDs sent to one window on this thread.
class SentCommands {
 public:
  explicit SentCommands(HWND target) {
    target_ = target;
    commands_ = &commands;
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &Hook, nullptr, GetCurrentThreadId());
  }
  ~SentCommands() {
    UnhookWindowsHookEx(hook_);
    commands_ = nullptr;
  }
  std::vector<std::pair<WPARAM, LPARAM>> commands;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && commands_ && message->hwnd == target_ &&
        message->message == WM_COMMAND) {
      commands_->emplace_back(message->wParam, message->lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline HWND target_ = nullptr;
  static inline std::vector<std::pair<WPARAM, LPARAM>>* commands_ = nullptr;
  HHOOK hook_;
};

class TrayTest : public FrameTest {
 protected:
  std::vector<MenuItem> RightClick() {
    g_seen.clear();
    g_menu_found = false;
    const testing_support::Watchdog watchdog;
    const UINT_PTR inspect = SetTimer(nullptr, 0, 50, &InspectMenu);
    EXPECT_EQ(SendMessageW(hwnd, WM_USER, 101, WM_RBUTTONUP), 1);
    KillTimer(nullptr, inspect);
    EXPECT_FALSE(watchdog.Fired()) << "the tray menu never showed up to be inspected";
    // The chosen command, if any, is posted: nothing was chosen here.
    return g_seen;
  }
};

TEST_F(TrayTest, RightClickShowsTheFivePartMenuWithOpenInBoldWhenConnected) {
  Connect();
  const auto items = RightClick();
  ASSERT_TRUE(g_menu_found);
  ASSERT_EQ(items.size(), 5u);
  const std::wstring texts[] = {L"Open", L"About...", L"Calibrate...", L"", L"Exit"};
  const UINT ids[] = {ID_SETTINGS, ID_APP_ABOUT, ID_CALIBRATE, 0, ID_EXIT};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(items[i].text, texts[i]) << i;
    EXPECT_EQ(items[i].id, ids[i]) << i;
    EXPECT_EQ(items[i].separator, i == 3) << i;
    if (i != 3) {
      EXPECT_FALSE(items[i].grayed) << i;
    }
  }
  EXPECT_TRUE(items[0].isDefault);
}

TEST_F(TrayTest, WithoutAScannerCalibrateIsGreyedAndNothingIsBold) {
  const auto items = RightClick();
  ASSERT_EQ(items.size(), 5u);
  for (const auto& item : items) EXPECT_FALSE(item.isDefault) << item.id;
  EXPECT_FALSE(items[0].grayed);
  EXPECT_FALSE(items[1].grayed) << "About is handled by the application";
  EXPECT_TRUE(items[2].grayed);
  EXPECT_FALSE(items[4].grayed);
}

TEST_F(TrayTest, MenuTextsFollowTheLanguageOfTheMoment) {
  AppSettings().SetLanguage(2);
  const auto items = RightClick();
  ASSERT_EQ(items.size(), 5u);
  CString open;
  LoadLocalizedString(open, IDS_OPEN);
  EXPECT_EQ(items[0].text, open.str());
  EXPECT_NE(items[0].text, L"Open");
}

TEST_F(TrayTest, DoubleClickSendsOpenWithoutAMenu) {
  SentCommands sent(hwnd);
  g_seen.clear();
  // Only the command is looked at here: the dialog it opens is not.
  {
    CDialog open(IDD_SETTINGS);
    const OpenDialogs::Scope shown(&open, DialogRole::SETTINGS);
    EXPECT_EQ(SendMessageW(hwnd, WM_USER, 101, WM_LBUTTONDBLCLK), 1);
  }
  ASSERT_EQ(sent.commands.size(), 1u);
  EXPECT_EQ(sent.commands[0].first, static_cast<WPARAM>(ID_SETTINGS));
  EXPECT_EQ(sent.commands[0].second, 0);
  EXPECT_TRUE(g_seen.empty());
}

TEST_F(TrayTest, OtherIdsAndOtherMouseMessagesAreIgnored) {
  SentCommands sent(hwnd);
  EXPECT_EQ(SendMessageW(hwnd, WM_USER, 102, WM_RBUTTONUP), 0);
  EXPECT_EQ(SendMessageW(hwnd, WM_USER, 0, WM_LBUTTONDBLCLK), 0);
  for (LPARAM mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_RBUTTONDBLCLK,
                       WM_MBUTTONUP}) {
    EXPECT_EQ(SendMessageW(hwnd, WM_USER, 101, mouse), 0) << mouse;
  }
  EXPECT_TRUE(sent.commands.empty());
}

TEST_F(TrayTest, TheAttachedStateWinsOverTheLockedOne) {
  shell.Clear();
  frame->tray_icon.SetState(TRUE, TRUE);
  EXPECT_EQ(Icon(), AppIcon(IDI_SCANNER_ATTACHED));
  frame->tray_icon.SetState(FALSE, TRUE);
  EXPECT_EQ(Icon(), AppIcon(IDI_SCANNER_LOCKED));
  frame->tray_icon.SetState(FALSE, FALSE);
  EXPECT_EQ(Icon(), AppIcon(IDI_NO_SCANNER));
  for (const auto& call : shell.calls) {
    EXPECT_EQ(call.message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(call.flags, static_cast<UINT>(NIF_ICON)) << "the tooltip is left alone";
    EXPECT_EQ(call.icon_width, GetSystemMetrics(SM_CXSMICON));
  }
}

TEST(TrayIcon, TheRecordIsTheOlderLayout) {
  testing_support::ShellRecorder shell;
#ifdef _WIN64
  constexpr unsigned kOlderLayout = 952;
#else
  constexpr unsigned kOlderLayout = 936;
#endif
  {
    CTrayIcon icon(7, WM_APP);
    EXPECT_EQ(icon.data().cbSize, kOlderLayout);
    EXPECT_EQ(icon.data().uID, 7u);
    EXPECT_EQ(icon.data().uCallbackMessage, static_cast<UINT>(WM_APP));
    EXPECT_EQ(icon.data().hWnd, nullptr);
    EXPECT_EQ(shell.calls.size(), 0u) << "nothing is shown before Create";
    icon.Create(nullptr, IDI_SCANNER_ATTACHED, 0);
    ASSERT_EQ(shell.Count(NIM_ADD), 1);
    EXPECT_EQ(shell.calls[0].tip, L"") << "no tip asked for";
    EXPECT_EQ(shell.calls[0].icon, AppIcon(IDI_SCANNER_ATTACHED));
    EXPECT_EQ(shell.calls[0].icon_width, GetSystemMetrics(SM_CXSMICON))
        << "loaded at the size the shell draws, not scaled down from the large icon";
    EXPECT_EQ(shell.calls[0].size, kOlderLayout);
  }
  EXPECT_EQ(shell.Count(NIM_DELETE), 1);
}

TEST(TrayIcon, ATipLongerThan127CharactersIsCut) {
  // The calibration-sheet hint runs past 127 characters in German.
  AppSettings().SetLanguage(2);
  CString longText;
  LoadLocalizedString(longText, IDS_CALIBRATION_SHEET);
  ASSERT_GT(longText.GetLength(), 127);
  testing_support::ShellRecorder shell;
  {
    CTrayIcon icon(101, WM_USER);
    icon.Create(nullptr, 0, IDS_CALIBRATION_SHEET);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].tip, longText.str().substr(0, 127));
    EXPECT_EQ(shell.calls[0].icon, nullptr);
  }
  AppSettings().SetLanguage(0);
}

TEST(TrayIcon, NeverAddedMeansNeverDeleted) {
  testing_support::ShellRecorder shell;
  { CTrayIcon icon(101, WM_USER); }
  EXPECT_TRUE(shell.calls.empty());
}

}  // namespace
}  // namespace frame_testing
