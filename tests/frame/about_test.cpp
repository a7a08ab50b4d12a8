#include "ui/about.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/myapp.h"
#include "desktop/windowing.h"
#include "frame/frame_fixture.h"
#include "settings/opendialogs.h"

namespace frame_testing {
namespace {

struct Seen {
  int dialogs = 0;
  std::wstring caption;
  std::wstring title;
  std::wstring ok;
  HWND owner = nullptr;
  bool hasIcon = false;
};

Seen g_seen;
HWND g_frame = nullptr;

std::vector<HWND> OpenDialogs() {
  return desktop::ThreadWindows(GetCurrentThreadId(), desktop::kDialogClass, true);
}

void CALLBACK InspectAbout(HWND, UINT, UINT_PTR timer, DWORD) {
  auto dialogs = OpenDialogs();
  if (dialogs.empty()) return;
  KillTimer(nullptr, timer);
  // A second About while the box is open opens nothing.
  SendMessageW(g_frame, WM_COMMAND, ID_APP_ABOUT, 0);
  dialogs = OpenDialogs();
  g_seen.dialogs = static_cast<int>(dialogs.size());
  HWND about = dialogs[0];
  g_seen.caption = desktop::TextOf(about);
  g_seen.title = desktop::TextOf(GetDlgItem(about, IDC_ABOUT_TITLE));
  g_seen.ok = desktop::TextOf(GetDlgItem(about, IDOK));
  g_seen.owner = GetWindow(about, GW_OWNER);
  for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        SendMessageW(child, STM_GETICON, 0, 0)) {
      g_seen.hasIcon = true;
    }
  }
  PostMessageW(about, WM_COMMAND, IDOK, 0);
}

class AboutTest : public FrameTest {
 protected:
  Seen OpenAbout() {
    g_seen = Seen{};
    g_frame = hwnd;
    const testing_support::Watchdog watchdog;
    const UINT_PTR inspect = SetTimer(nullptr, 0, 30, &InspectAbout);
    Command(ID_APP_ABOUT);
    KillTimer(nullptr, inspect);
    EXPECT_FALSE(watchdog.Fired()) << "the about box never showed up to be inspected";
    return g_seen;
  }
};

TEST_F(AboutTest, OpensOnceWithTheEnglishTitleAndTheIcon) {
  AfxGetApp()->m_pMainWnd = frame;
  const Seen seen = OpenAbout();
  EXPECT_EQ(seen.dialogs, 1) << "a second About while the box is open is ignored";
  EXPECT_EQ(seen.caption, L"CORVANTE button manager");
  EXPECT_EQ(seen.title, L"CORVANTE button manager");
  EXPECT_EQ(seen.ok, L"&OK");
  EXPECT_EQ(seen.owner, hwnd);
  EXPECT_TRUE(seen.hasIcon);
  EXPECT_FALSE(ProgramDialogs().IsOpen(DialogRole::ABOUT));
  EXPECT_TRUE(OpenDialogs().empty());
}

TEST_F(AboutTest, FollowsTheLanguageOfTheMomentButKeepsItsButton) {
  AfxGetApp()->m_pMainWnd = frame;
  AppSettings().SetLanguage(2);
  const Seen seen = OpenAbout();
  EXPECT_EQ(seen.caption, L"CORVANTE Schaltfl\u00e4chen-Manager");
  EXPECT_EQ(seen.title, seen.caption);
  EXPECT_EQ(seen.ok, L"&OK");
}

TEST_F(AboutTest, CanBeOpenedAgainAfterItClosed) {
  AfxGetApp()->m_pMainWnd = frame;
  EXPECT_EQ(OpenAbout().dialogs, 1);
  EXPECT_EQ(OpenAbout().dialogs, 1);
}

}  // namespace
}  // namespace frame_testing
