#include <gtest/gtest.h>

#include <string>

#include "framework/framewnd.h"
#include "framework/winapp.h"
#include "resource.h"
#include "support/test_support.h"

namespace {

using testing_support::DebugRecorder;

constexpr UINT kPlain = 42001;            // a command handler only
constexpr UINT kDisabled = 42002;         // a command handler, and an update handler that disables
constexpr UINT kEnabledByUpdate = 42003;  // an update handler that enables, no command handler
constexpr UINT kNobody = 42004;           // no handler anywhere on the route
constexpr UINT kDestroySelf = 42005;      // destroys the frame, then goes on with it

struct FrameLog {
  bool fail_create = false;
  bool deleted = false;
  int disabled_runs = 0;
  bool handler_done_before_delete = false;
};

class CRouteFrame : public CFrameWnd {
 public:
  explicit CRouteFrame(FrameLog* log) : log_(log) {}
  ~CRouteFrame() override {
    log_->deleted = true;
    log_->handler_done_before_delete = handler_done_;
  }

 protected:
  int OnCreate(LPCREATESTRUCTW) { return log_->fail_create ? -1 : 0; }
  void OnPlain() {}
  void OnDisabled() { ++log_->disabled_runs; }
  void OnUpdateDisabled(CCmdUI* ui) { ui->Enable(FALSE); }
  void OnUpdateEnabled(CCmdUI* ui) { ui->Enable(TRUE); }
  void OnDestroySelf() {
    DestroyWindow();
    handler_done_ = true;
  }

 private:
  FrameLog* log_;
  bool handler_done_ = false;

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRouteFrame, CFrameWnd)
  ON_WM_CREATE()
  ON_COMMAND(kPlain, OnPlain)
  ON_COMMAND(kDisabled, OnDisabled)
  ON_UPDATE_COMMAND_UI(kDisabled, OnUpdateDisabled)
  ON_UPDATE_COMMAND_UI(kEnabledByUpdate, OnUpdateEnabled)
  ON_COMMAND(kDestroySelf, OnDestroySelf)
END_MESSAGE_MAP()

class FrameTest : public testing::Test {
 protected:
  void SetUp() override {
    frame_ = new CRouteFrame(&log_);
    ASSERT_TRUE(frame_->LoadFrame(IDR_MAINFRAME));
    hwnd_ = frame_->m_hWnd;
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }
  bool Greyed(HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED); }
  // Items start in the state opposite to the one expected after WM_INITMENUPOPUP.
  HMENU PopupAfterInit() {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kDisabled, L"disabled");
    AppendMenuW(menu, MF_STRING | MF_GRAYED, kEnabledByUpdate, L"enabled by update");
    AppendMenuW(menu, MF_STRING | MF_GRAYED, kPlain, L"plain");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | MF_GRAYED, ID_APP_ABOUT, L"about");
    AppendMenuW(menu, MF_STRING, kNobody, L"nobody");
    frame_->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, FALSE));
    return menu;
  }

  FrameLog log_;
  CRouteFrame* frame_ = nullptr;
  HWND hwnd_ = nullptr;
};

TEST_F(FrameTest, LoadFrameMakesTheFrameClassWithAppTitleAndMenu) {
  wchar_t name[64] = L"";
  GetClassNameW(hwnd_, name, 64);
  EXPECT_STREQ(name, L"ButtonManagerFrame");
  EXPECT_EQ(frame_->GetWindowText().str(), L"ORMIK310");
  EXPECT_NE(GetMenuState(GetMenu(hwnd_), ID_SETTINGS, MF_BYCOMMAND), static_cast<UINT>(-1))
      << "the menu of resource " << IDR_MAINFRAME << " should be the frame's menu";
}

TEST_F(FrameTest, CommandsTheFrameDoesNotHandleReachTheApplication) {
  ASSERT_FALSE(
      frame_->CCmdTarget::OnCmdMsg(WM_COMMAND, ID_APP_ABOUT, afx::CN_COMMAND, nullptr, true));
  EXPECT_TRUE(frame_->OnCmdMsg(WM_COMMAND, ID_APP_ABOUT, afx::CN_COMMAND, nullptr, true))
      << "the application's ID_APP_ABOUT handler is not on the frame's route";
  EXPECT_FALSE(frame_->OnCmdMsg(WM_COMMAND, kNobody, afx::CN_COMMAND, nullptr, true));
}

TEST_F(FrameTest, DisabledCommandIsNotExecutedAndLeavesATrace) {
  DebugRecorder debug;
  frame_->SendMessage(WM_COMMAND, kDisabled, 0);
  EXPECT_EQ(log_.disabled_runs, 0);
  EXPECT_TRUE(debug.Saw(L"Warning: not executing disabled command 42002\n"))
      << "debug output: " << testing::PrintToString(debug.lines);
}

TEST_F(FrameTest, CommandFromAControlSkipsTheUpdateHandler) {
  HWND button = CreateWindowW(L"BUTTON", L"b", WS_CHILD, 0, 0, 10, 10, hwnd_,
                              reinterpret_cast<HMENU>(kDisabled), nullptr, nullptr);
  ASSERT_NE(button, nullptr);
  DebugRecorder debug;
  frame_->SendMessage(WM_COMMAND, MAKEWPARAM(kDisabled, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button));
  EXPECT_EQ(log_.disabled_runs, 1) << "a click on the control should run the handler";
  EXPECT_TRUE(debug.lines.empty()) << "debug output: " << testing::PrintToString(debug.lines);
}

TEST_F(FrameTest, MenuItemsTakeTheStateTheirUpdateHandlerSets) {
  HMENU menu = PopupAfterInit();
  EXPECT_TRUE(Greyed(menu, kDisabled)) << "disabled by its update handler, yet enabled";
  EXPECT_FALSE(Greyed(menu, kEnabledByUpdate)) << "enabled by its update handler, yet greyed";
  DestroyMenu(menu);
}

TEST_F(FrameTest, MenuItemsWithAHandlerOnTheRouteAreEnabled) {
  HMENU menu = PopupAfterInit();
  EXPECT_FALSE(Greyed(menu, kPlain)) << "the frame handles it";
  EXPECT_FALSE(Greyed(menu, ID_APP_ABOUT)) << "the application handles it";
  DestroyMenu(menu);
}

TEST_F(FrameTest, MenuItemsWithoutAnyHandlerAreGreyed) {
  HMENU menu = PopupAfterInit();
  EXPECT_TRUE(Greyed(menu, kNobody));
  DestroyMenu(menu);
}

TEST_F(FrameTest, DestroyingTheWindowDeletesTheFrame) {
  DestroyWindow(hwnd_);
  EXPECT_TRUE(log_.deleted);
}

TEST_F(FrameTest, CloseDestroysTheWindow) {
  frame_->SendMessage(WM_CLOSE);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_TRUE(log_.deleted);
}

TEST_F(FrameTest, DestroyingTheMainWindowPostsQuit) {
  AfxGetApp()->m_pMainWnd = frame_;
  DestroyWindow(hwnd_);
  CWnd* main_after = AfxGetMainWnd();
  AfxGetApp()->m_pMainWnd = nullptr;
  EXPECT_EQ(main_after, nullptr) << "the application still names the destroyed frame";
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "no WM_QUIT posted";
}

TEST(CFrameWnd, FailedLoadFrameLeavesTheObjectToTheCaller) {
  FrameLog log;
  log.fail_create = true;
  auto* frame = new CRouteFrame(&log);
  const BOOL loaded = frame->LoadFrame(IDR_MAINFRAME);
  ASSERT_FALSE(log.deleted) << "the frame deleted itself though the caller still holds it";
  EXPECT_FALSE(loaded);
  EXPECT_EQ(frame->m_hWnd, nullptr);
  delete frame;
}

TEST_F(FrameTest, AFrameDestroyedByItsOwnHandlerIsDeletedAfterTheHandler) {
  frame_->SendMessage(WM_COMMAND, kDestroySelf, 0);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_TRUE(log_.deleted);
  EXPECT_TRUE(log_.handler_done_before_delete)
      << "the object was deleted while its handler was still running";
}

}  // namespace
