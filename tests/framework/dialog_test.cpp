#include "framework/dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <string>

#include "framework/framewnd.h"
#include "framework/msgbox.h"
#include "resource.h"

namespace {

constexpr UINT kStep = WM_APP + 2;
constexpr UINT_PTR kWatchdogTimer = 1;
constexpr int kResetResult = 77;
constexpr int kStepResult = 42;
constexpr int kTimedOut = -99;
constexpr LPARAM kKeyDownData = 0x00010001;

// Runs the test's actions at WM_INITDIALOG and at a posted kStep; a watchdog
// ends the modal loop if a test's way of ending it does not work.
class CTestDialog : public CDialog {
 public:
  using Action = std::function<void(CTestDialog&)>;
  explicit CTestDialog(UINT templateId, CWnd* parent = nullptr) : CDialog(templateId, parent) {}

  Action on_init;
  Action on_step;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetTimer(kWatchdogTimer, 3000);
    if (on_init) on_init(*this);
    return TRUE;
  }
  void OnTimer(UINT_PTR) { EndDialog(kTimedOut); }
  LRESULT OnStep(WPARAM, LPARAM) {
    if (on_step) on_step(*this);
    return 0;
  }
  void OnReset() { EndDialog(kResetResult); }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestDialog, CDialog)
  ON_WM_TIMER()
  ON_MESSAGE(kStep, OnStep)
  ON_BN_CLICKED(IDC_RESET, OnReset)
END_MESSAGE_MAP()

void EndWithStepResult(CTestDialog& dialog) { dialog.EndDialog(kStepResult); }

class CQuietPage : public CDialog {
 public:
  CQuietPage() : CDialog(IDD_BUTTON_RIGHT) {}
  int cancels = 0;

 protected:
  void OnCancel() override { ++cancels; }
};

class COkBindingDialog : public CTestDialog {
 public:
  COkBindingDialog() : CTestDialog(IDD_ABOUTBOX) {}
  CWnd ok;

 protected:
  void DoDataExchange(CDataExchange* exchange) override { DDX_Control(exchange, IDOK, ok); }
};

class DialogTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
  }
};

TEST_F(DialogTest, OnInitDialogRunsWithTheControlsPresent) {
  CTestDialog dialog(IDD_ABOUTBOX);
  std::wstring text;
  dialog.on_init = [](CTestDialog& d) {
    d.SetDlgItemText(IDC_ABOUT_TITLE, L"set at init");
    d.PostMessage(kStep);
  };
  dialog.on_step = [&text](CTestDialog& d) {
    wchar_t buffer[64] = L"";
    GetDlgItemTextW(d, IDC_ABOUT_TITLE, buffer, 64);
    text = buffer;
    d.EndDialog(IDOK);
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(text, L"set at init");
}

TEST_F(DialogTest, ButtonClickReachesItsBnClickedHandler) {
  CTestDialog dialog(IDD_SETTINGS);
  dialog.on_init = [](CTestDialog& d) { ::PostMessageW(d.GetDlgItem(IDC_RESET), BM_CLICK, 0, 0); };
  EXPECT_EQ(dialog.DoModal(), kResetResult);
}

TEST_F(DialogTest, CancelButtonEndsWithIdCancel) {
  CTestDialog dialog(IDD_SETTINGS);
  dialog.on_init = [](CTestDialog& d) { ::PostMessageW(d.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0); };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, EscapeEndsTheModalLoopWithIdCancel) {
  CTestDialog dialog(IDD_ABOUTBOX);
  dialog.on_init = [](CTestDialog& d) {
    ::PostMessageW(d.GetDlgItem(IDOK), WM_KEYDOWN, VK_ESCAPE, kKeyDownData);
  };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, EscapeInsideAPageCancelsTheDialogAndInsideAnotherChildGoesToIt) {
  const struct {
    const char* child;
    bool page;
    INT_PTR result;
    int child_cancels;
  } rows[] = {
      {"a page, as Create makes it", true, IDCANCEL, 0},
      {"a child dialog that is no control parent", false, kStepResult, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.child);
    CTestDialog dialog(IDD_ABOUTBOX);
    CQuietPage child;
    HWND dialog_hwnd = nullptr;
    HWND child_parent = nullptr;
    dialog.on_init = [&](CTestDialog& d) {
      dialog_hwnd = d;
      if (!child.Create(IDD_BUTTON_RIGHT, &d)) return;
      if (!row.page) child.ModifyStyleEx(WS_EX_CONTROLPARENT, 0);
      child_parent = GetParent(child);
      ::PostMessageW(child.GetDlgItem(IDC_OCR_SETTINGS), WM_KEYDOWN, VK_ESCAPE, kKeyDownData);
      d.PostMessage(kStep);
    };
    dialog.on_step = EndWithStepResult;
    EXPECT_EQ(dialog.DoModal(), row.result);
    EXPECT_EQ(child_parent, dialog_hwnd) << "the child is not a child of the dialog";
    EXPECT_EQ(child.cancels, row.child_cancels);
  }
}

TEST_F(DialogTest, OwnerIsDisabledOnlyWhileTheModalLoopRuns) {
  auto* owner = new CFrameWnd;
  ASSERT_TRUE(owner->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW));
  const HWND owner_hwnd = owner->m_hWnd;
  CTestDialog dialog(IDD_ABOUTBOX, owner);
  HWND owner_seen = nullptr;
  BOOL enabled_inside = TRUE;
  dialog.on_init = [&](CTestDialog& d) {
    owner_seen = GetWindow(d, GW_OWNER);
    enabled_inside = IsWindowEnabled(owner_hwnd);
    d.PostMessage(kStep);
  };
  dialog.on_step = EndWithStepResult;
  EXPECT_EQ(dialog.DoModal(), kStepResult);
  EXPECT_EQ(owner_seen, owner_hwnd);
  EXPECT_FALSE(enabled_inside) << "the owner stayed enabled during the modal loop";
  EXPECT_TRUE(IsWindowEnabled(owner_hwnd)) << "the owner stayed disabled after the modal loop";
  DestroyWindow(owner_hwnd);
}

TEST_F(DialogTest, QuitEndsTheModalLoopAndIsPostedAgain) {
  CTestDialog dialog(IDD_ABOUTBOX);
  HWND dialog_hwnd = nullptr;
  dialog.on_init = [&dialog_hwnd](CTestDialog& d) {
    dialog_hwnd = d;
    PostQuitMessage(7);
  };
  const INT_PTR result = dialog.DoModal();
  MSG msg{};
  const bool quit = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  EXPECT_NE(result, kTimedOut) << "the modal loop went on after WM_QUIT";
  EXPECT_FALSE(IsWindow(dialog_hwnd));
  ASSERT_TRUE(quit) << "the quit was swallowed by the modal loop";
  EXPECT_EQ(msg.wParam, 7u) << "the quit's exit code changed";
}

TEST_F(DialogTest, DdxControlBindsTheControlOnEveryRun) {
  COkBindingDialog dialog;
  std::wstring seen;
  dialog.on_init = [&](CTestDialog& d) {
    seen = dialog.ok.GetWindowText().str();
    d.PostMessage(kStep);
  };
  dialog.on_step = EndWithStepResult;
  ASSERT_EQ(dialog.DoModal(), kStepResult);
  EXPECT_EQ(seen, L"&OK") << "first run";
  seen = L"not read";
  ASSERT_EQ(dialog.DoModal(), kStepResult);
  EXPECT_EQ(seen, L"&OK") << "second run: the control is the first run's destroyed button";
}

TEST_F(DialogTest, AControlBoundByDdxControlStaysTheDialogsWhenItsWrapperGoes) {
  CTestDialog dialog(IDD_ABOUTBOX);
  bool alive = false;
  dialog.on_init = [&](CTestDialog& d) {
    {
      CWnd wrapper;
      CDataExchange exchange(&d, FALSE);
      DDX_Control(&exchange, IDOK, wrapper);
    }
    alive = IsWindow(d.GetDlgItem(IDOK)) != FALSE;
    d.PostMessage(kStep);
  };
  dialog.on_step = EndWithStepResult;
  EXPECT_EQ(dialog.DoModal(), kStepResult);
  EXPECT_TRUE(alive) << "the wrapper destroyed a control it does not own";
}

// What the CBT hook saw of the message box before it answered it.
struct BoxSeen {
  UINT answer = IDOK;
  bool seen = false;
  std::wstring caption;
  HICON icon = nullptr;
};
BoxSeen* g_box = nullptr;

BOOL CALLBACK FindIcon(HWND child, LPARAM) {
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  if ((style & SS_TYPEMASK) != SS_ICON || !(style & WS_VISIBLE)) return TRUE;
  g_box->icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
  return FALSE;
}

LRESULT CALLBACK WatchBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && g_box && !g_box->seen) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    g_box->seen = true;
    wchar_t text[64] = L"";
    GetWindowTextW(box, text, 64);
    g_box->caption = text;
    EnumChildWindows(box, &FindIcon, 0);
    PostMessageW(box, WM_COMMAND, g_box->answer, 0);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

int ShowWatched(BoxSeen* box, const wchar_t* text, UINT type) {
  g_box = box;
  HHOOK hook = SetWindowsHookExW(WH_CBT, &WatchBox, nullptr, GetCurrentThreadId());
  const int result = AfxMessageBox(text, type);
  UnhookWindowsHookEx(hook);
  g_box = nullptr;
  return result;
}

TEST(AfxMessageBox, IsCaptionedWithTheAppNameAndReturnsTheAnswer) {
  BoxSeen box;
  box.answer = IDNO;
  EXPECT_EQ(ShowWatched(&box, L"Proceed?", MB_YESNO), IDNO);
  ASSERT_TRUE(box.seen);
  EXPECT_EQ(box.caption, L"ORMIK310");
}

TEST(AfxMessageBox, ShowsTheExclamationIconWhenNoIconIsAsked) {
  BoxSeen box;
  ShowWatched(&box, L"Note", MB_OK);
  ASSERT_TRUE(box.seen);
  EXPECT_EQ(box.icon, LoadIconW(nullptr, IDI_EXCLAMATION));
}

}  // namespace
