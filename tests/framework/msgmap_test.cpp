#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/framewnd.h"
#include "resource.h"
#include "support/test_support.h"

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kBaseOnly = 41001;
constexpr UINT kShared = 41002;
constexpr UINT kList = 41003;
constexpr UINT kListChanged = 0x7001;
const UINT kRegisteredPing = RegisterWindowMessageW(L"ButtonManager.Tests.RegisteredPing");

struct Calls {
  std::vector<std::string> handlers;
  UINT_PTR timer = 0;
  NMHDR notification{};
};

class CBaseFrame : public CFrameWnd {
 public:
  explicit CBaseFrame(Calls* calls) : calls_(calls) {}

 protected:
  void OnTimer(UINT_PTR id) { calls_->timer = id; }
  LRESULT OnPing(WPARAM wParam, LPARAM lParam) {
    return static_cast<LRESULT>(wParam) * 0x100 + lParam;
  }
  void OnBaseOnly() { calls_->handlers.push_back("base BaseOnly"); }
  void OnShared() { calls_->handlers.push_back("base Shared"); }

  Calls* calls_;

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseFrame, CFrameWnd)
  ON_WM_TIMER()
  ON_MESSAGE(kPing, OnPing)
  ON_COMMAND(kBaseOnly, OnBaseOnly)
  ON_COMMAND(kShared, OnShared)
END_MESSAGE_MAP()

class CDerivedFrame : public CBaseFrame {
 public:
  using CBaseFrame::CBaseFrame;

 protected:
  void OnShared() { calls_->handlers.push_back("derived Shared"); }
  LRESULT OnRegisteredPing(WPARAM wParam, LPARAM) { return static_cast<LRESULT>(wParam) * 2; }
  void OnListChanged(NMHDR* header, LRESULT* result) {
    calls_->notification = *header;
    *result = 5;
  }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedFrame, CBaseFrame)
  ON_COMMAND(kShared, OnShared)
  ON_REGISTERED_MESSAGE(kRegisteredPing, OnRegisteredPing)
  ON_NOTIFY(kListChanged, kList, OnListChanged)
END_MESSAGE_MAP()

class MessageMapTest : public testing::Test {
 protected:
  // The frame deletes itself with its window.
  void SetUp() override {
    frame_ = new CDerivedFrame(&calls_);
    ASSERT_TRUE(frame_->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW));
    hwnd_ = frame_->m_hWnd;
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }

  Calls calls_;
  CDerivedFrame* frame_ = nullptr;
  HWND hwnd_ = nullptr;
};

TEST_F(MessageMapTest, TimerHandlerReceivesTheTimerId) {
  frame_->SetTimer(7, 10);
  testing_support::PumpUntil([this] { return calls_.timer != 0; });
  frame_->KillTimer(7);
  EXPECT_EQ(calls_.timer, 7u) << "OnTimer should get the id given to SetTimer";
}

TEST_F(MessageMapTest, MessageHandlerGetsBothParametersAndItsResultIsReturned) {
  EXPECT_EQ(frame_->SendMessage(kPing, 0x12, 0x34), 0x1234);
}

TEST_F(MessageMapTest, RegisteredMessageReachesItsHandler) {
  ASSERT_NE(kRegisteredPing, 0u);
  EXPECT_EQ(frame_->SendMessage(kRegisteredPing, 21), 42);
}

TEST_F(MessageMapTest, DerivedMapFallsBackToTheBaseMap) {
  frame_->SendMessage(WM_COMMAND, kBaseOnly);
  EXPECT_EQ(frame_->SendMessage(kPing, 1, 2), 0x102) << "the base map's ON_MESSAGE was not reached";
  EXPECT_EQ(calls_.handlers, std::vector<std::string>{"base BaseOnly"});
}

TEST_F(MessageMapTest, DerivedHandlerWinsOverTheBaseHandler) {
  frame_->SendMessage(WM_COMMAND, kShared);
  EXPECT_EQ(calls_.handlers, std::vector<std::string>{"derived Shared"});
}

TEST_F(MessageMapTest, NotificationHandlerGetsTheHeaderAndSetsTheResult) {
  NMHDR header{reinterpret_cast<HWND>(0x1234), kList, kListChanged};
  EXPECT_EQ(frame_->SendMessage(WM_NOTIFY, kList, reinterpret_cast<LPARAM>(&header)), 5);
  EXPECT_EQ(calls_.notification.hwndFrom, header.hwndFrom);
  EXPECT_EQ(calls_.notification.idFrom, kList);
  EXPECT_EQ(calls_.notification.code, kListChanged);
}

TEST_F(MessageMapTest, UnhandledMessagesGoToDefWindowProc) {
  frame_->SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"set by default"));
  EXPECT_EQ(frame_->GetWindowText().str(), L"set by default");
}

}  // namespace
