#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/myapp.h"
#include "desktop/windowing.h"
#include "frame/frame_fixture.h"
#include "settings/opendialogs.h"
#include "ui/dlgsettings.h"

namespace frame_testing {
namespace {

using Step = std::function<void()>;

constexpr UINT kTickMs = 20;
constexpr DWORD kWatchdogMs = 5000;
constexpr LPARAM kKeyDownData = 0x00010001;

// The steps of a script run one per timer tick inside the modal loops, each
// after the messages that the previous one posted. The watchdog fails the
// test and cancels whatever is still open.
struct Script {
  std::vector<Step> steps;
  size_t next = 0;
  DWORD deadline = 0;
  bool timed_out = false;
};
Script* g_script = nullptr;

std::vector<HWND> Dialogs() {
  return desktop::ThreadWindows(GetCurrentThreadId(), desktop::kDialogClass, true);
}

void CALLBACK RunNextStep(HWND, UINT, UINT_PTR, DWORD) {
  Script* script = g_script;
  if (!script) return;
  if (GetTickCount() - script->deadline < 0x80000000u) {
    script->timed_out = true;
    for (HWND dialog : Dialogs()) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (script->next >= script->steps.size()) return;
  // A step may run a nested loop in which the following steps run.
  const Step step = script->steps[script->next++];
  step();
}

using desktop::TextOf;

RECT WindowRect(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  return rect;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class SettingsDialogTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    AfxGetApp()->m_pMainWnd = frame;
    saved_action_ = AppSettings().button_left_action;
    saved_format_ = AppSettings().format_ext_file;
    AppSettings().button_left_action = DESTINATION_FILE;
    AppSettings().format_ext_file = 1;
  }
  void TearDown() override {
    AppSettings().button_left_action = saved_action_;
    AppSettings().format_ext_file = saved_format_;
    FrameTest::TearDown();
  }

  // Sends the open-settings command to the frame and runs `steps` while the
  // dialog is up; the last step must end it.
  void OpenSettings(std::vector<Step> steps) {
    OpenSettingsBy([this] { Command(ID_SETTINGS); }, std::move(steps));
  }
  void OpenSettingsBy(const std::function<void()>& open, std::vector<Step> steps) {
    Script script;
    script.steps = std::move(steps);
    script.deadline = GetTickCount() + kWatchdogMs;
    g_script = &script;
    const UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, &RunNextStep);
    open();
    KillTimer(nullptr, timer);
    g_script = nullptr;
    EXPECT_FALSE(script.timed_out) << "the dialog was still open after its last step";
    EXPECT_EQ(script.next, script.steps.size()) << "the dialog closed before every step ran";
    EXPECT_EQ(ProgramDialogs().Find(DialogRole::SETTINGS), nullptr);
  }

  // The settings dialog: the visible dialog that the frame owns.
  HWND Settings() const {
    for (HWND dialog : Dialogs()) {
      if (GetWindow(dialog, GW_OWNER) == hwnd && GetDlgItem(dialog, IDC_TAB)) return dialog;
    }
    return nullptr;
  }
  // The page of the settings dialog that holds control `id`.
  HWND PageWith(int id) const {
    HWND page = nullptr;
    while ((page = FindWindowExW(Settings(), page, desktop::kDialogClass, nullptr)) != nullptr) {
      if (GetDlgItem(page, id)) return page;
    }
    return nullptr;
  }
  HWND LeftPage() const { return PageWith(IDC_DESTINATION); }
  HWND RightPage() const { return PageWith(IDC_OCR_SETTINGS); }
  HWND List() const { return GetDlgItem(LeftPage(), IDC_DESTINATION); }
  HWND Tab() const { return GetDlgItem(Settings(), IDC_TAB); }

  std::vector<std::wstring> Entries() const {
    std::vector<std::wstring> entries;
    const int count = static_cast<int>(SendMessageW(List(), CB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
      wchar_t text[64] = {};
      SendMessageW(List(), CB_GETLBTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(text));
      entries.push_back(text);
    }
    return entries;
  }
  // The selected entry's text, or "(none)".
  std::wstring Selected() const {
    const LRESULT index = SendMessageW(List(), CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return L"(none)";
    return Entries().at(static_cast<size_t>(index));
  }

  // A click on tab `index`, where the user would click.
  void ClickTab(int index) const {
    RECT item{};
    ASSERT_TRUE(SendMessageW(Tab(), TCM_GETITEMRECT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(&item)));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(Tab(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(Tab(), WM_LBUTTONUP, 0, at);
  }
  // Typing the first letter of an entry in the closed list picks it.
  Step Type(wchar_t letter) const {
    return [this, letter] {
      SetFocus(List());
      PostMessageW(List(), WM_CHAR, letter, kKeyDownData);
    };
  }
  Step Click(int id) const {
    return [this, id] { PostMessageW(GetDlgItem(Settings(), id), BM_CLICK, 0, 0); };
  }
  Step ShowLeftPage() const {
    return [this] { ClickTab(0); };
  }
  Step Check(std::function<void()> check) const { return check; }

 private:
  std::int32_t saved_action_ = 0;
  std::int32_t saved_format_ = 0;
};

TEST_F(SettingsDialogTest, OpensOnButtonRightWithTheLeftListAlreadyFilled) {
  HWND settings = nullptr;
  OpenSettings(
      {Check([&] {
         settings = Settings();
         ASSERT_NE(settings, nullptr) << "no settings dialog owned by the frame";
         EXPECT_EQ(ProgramDialogs().Find(DialogRole::SETTINGS)->m_hWnd, settings);
         EXPECT_EQ(TextOf(settings), L"CORVANTE button manager");
         EXPECT_EQ(SendMessageW(Tab(), TCM_GETCURSEL, 0, 0), 1);
         ASSERT_NE(RightPage(), nullptr);
         ASSERT_NE(LeftPage(), nullptr);
         EXPECT_TRUE(IsWindowVisible(RightPage()));
         EXPECT_FALSE(IsWindowVisible(LeftPage()));
         for (HWND page : {LeftPage(), RightPage()}) {
           EXPECT_TRUE(GetWindowLongW(page, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)
               << "Windows takes the dialog's keys into a page only when it is a control parent";
         }
         EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"Email", L"File"}));
         EXPECT_EQ(Selected(), L"File");
         EXPECT_EQ(TextOf(GetDlgItem(LeftPage(), IDC_LEFT_LABEL)), L"Scan and send image to:");
         EXPECT_EQ(TextOf(GetDlgItem(RightPage(), IDC_RIGHT_LABEL)), L"Send to Quillora 5");
         EXPECT_EQ(TextOf(GetDlgItem(RightPage(), IDC_OCR_SETTINGS)), L"Settings");
         const std::pair<int, const wchar_t*> buttons[] = {{IDOK, L"OK"},
                                                           {IDCANCEL, L"Cancel"},
                                                           {ID_APP_ABOUT, L"About..."},
                                                           {IDC_RESET, L"Reset"},
                                                           {ID_CALIBRATE, L"Calibrate..."}};
         for (const auto& [id, text] : buttons) {
           EXPECT_EQ(TextOf(GetDlgItem(settings, id)), text) << "button " << id;
         }
       }),
       Click(IDCANCEL)});
  EXPECT_FALSE(IsWindow(settings)) << "the dialog is destroyed when it ends";
}

TEST_F(SettingsDialogTest, ADoubleClickOnTheTrayIconOpensIt) {
  HWND settings = nullptr;
  OpenSettingsBy([this] { SendMessageW(hwnd, WM_USER, 101, WM_LBUTTONDBLCLK); },
                 {Check([&] { settings = Settings(); }), Click(IDCANCEL)});
  EXPECT_NE(settings, nullptr);
}

TEST_F(SettingsDialogTest, ATabClickShowsTheOtherPageInTheSameRectangle) {
  RECT right{};
  OpenSettings({Check([&] { right = WindowRect(RightPage()); }), ShowLeftPage(), Check([&] {
                  EXPECT_EQ(SendMessageW(Tab(), TCM_GETCURSEL, 0, 0), 0);
                  EXPECT_TRUE(IsWindowVisible(LeftPage()));
                  EXPECT_FALSE(IsWindowVisible(RightPage()));
                  EXPECT_TRUE(SameRect(WindowRect(LeftPage()), right));
                  RECT inside{};
                  const RECT tab = WindowRect(Tab());
                  EXPECT_TRUE(IntersectRect(&inside, &tab, &right) && SameRect(inside, right))
                      << "the pages lie over the tab control";
                  EXPECT_GT(right.top, tab.top) << "the pages leave the tabs free";
                  ClickTab(1);
                  EXPECT_TRUE(IsWindowVisible(RightPage()));
                  EXPECT_FALSE(IsWindowVisible(LeftPage()));
                }),
                Click(IDCANCEL)});
}

TEST_F(SettingsDialogTest, EmailAndOkStoresTheDestinationAtOnce) {
  OpenSettings({ShowLeftPage(), Type(L'E'), Check([&] {
                  EXPECT_EQ(Selected(), L"Email");
                  EXPECT_EQ(AppSettings().button_left_action, DESTINATION_FILE)
                      << "choosing alone stores nothing";
                }),
                Click(IDOK)});
  EXPECT_EQ(AppSettings().button_left_action, DESTINATION_EMAIL);
  OpenSettings({Check([&] { EXPECT_EQ(Selected(), L"Email"); }), Click(IDCANCEL)});
}

TEST_F(SettingsDialogTest, CancelEscapeOnAButtonAndTheCloseBoxKeepTheDestination) {
  const std::pair<const char*, Step> ways[] = {
      {"Cancel", Click(IDCANCEL)},
      {"Escape on a button",
       [this] { PostMessageW(GetDlgItem(Settings(), IDOK), WM_KEYDOWN, VK_ESCAPE, kKeyDownData); }},
      {"the close box", [this] { PostMessageW(Settings(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& [way, end] : ways) {
    SCOPED_TRACE(way);
    OpenSettings(
        {ShowLeftPage(), Type(L'E'), Check([&] { EXPECT_EQ(Selected(), L"Email"); }), end});
    EXPECT_EQ(AppSettings().button_left_action, DESTINATION_FILE);
    EXPECT_TRUE(Dialogs().empty());
  }
}

// A key as the user presses it, with Ctrl and Shift held or not.
enum Held { kNone = 0, kCtrl = 1, kShift = 2 };
struct Key {
  UINT message;
  WPARAM code;
  int held = kNone;
};
constexpr Key kTab{WM_KEYDOWN, VK_TAB};
constexpr Key kShiftTab{WM_KEYDOWN, VK_TAB, kShift};
constexpr Key kCtrlTab{WM_KEYDOWN, VK_TAB, kCtrl};
constexpr Key kCtrlShiftTab{WM_KEYDOWN, VK_TAB, kCtrl | kShift};
constexpr Key kEnter{WM_KEYDOWN, VK_RETURN};
constexpr Key kEscape{WM_KEYDOWN, VK_ESCAPE};
constexpr Key kF4{WM_KEYDOWN, VK_F4};
constexpr Key kLeft{WM_KEYDOWN, VK_LEFT};
constexpr Key Alt(wchar_t letter) { return {WM_SYSCHAR, letter}; }
constexpr Key Letter(wchar_t letter) { return {WM_CHAR, letter}; }
constexpr LPARAM kAltCharData = kKeyDownData | (1 << 29);

void SetHeld(int held) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[VK_CONTROL] = (held & kCtrl) ? 0x80 : 0;
  state[VK_SHIFT] = (held & kShift) ? 0x80 : 0;
  SetKeyboardState(state);
}

// Keys typed into the dialog, with where the keyboard is before each one and
// after the last (unless it ended the dialog): the focused control and the
// page shown. The list holds "Email" while they are typed, so OK stores it.
struct KeyRow {
  const char* keys_named;
  std::vector<Key> keys;
  std::vector<const char*> where;
  std::int32_t stored;
};

class SettingsKeyboardTest : public SettingsDialogTest {
 protected:
  void TearDown() override {
    SetHeld(kNone);
    SettingsDialogTest::TearDown();
  }

  std::string Where() const {
    const std::pair<HWND, const char*> controls[] = {
        {Tab(), "tab strip"},
        {List(), "list"},
        {GetDlgItem(RightPage(), IDC_OCR_SETTINGS), "Settings"},
        {GetDlgItem(Settings(), IDOK), "OK"},
        {GetDlgItem(Settings(), IDCANCEL), "Cancel"},
        {GetDlgItem(Settings(), ID_APP_ABOUT), "About"},
        {GetDlgItem(Settings(), IDC_RESET), "Reset"},
        {GetDlgItem(Settings(), ID_CALIBRATE), "Calibrate"}};
    std::string where = "elsewhere";
    for (const auto& [control, name] : controls) {
      if (control == GetFocus()) where = name;
    }
    where += IsWindowVisible(LeftPage()) ? ", left page" : ", right page";
    if (boxes_answered) where += ", a message box";
    return where;
  }

  template <size_t N>
  void PressEach(const KeyRow (&rows)[N]) {
    for (const KeyRow& row : rows) {
      SCOPED_TRACE(row.keys_named);
      Press(row);
    }
  }

  void Press(const KeyRow& row) {
    std::vector<std::string> seen;
    std::vector<Step> steps{[this] {
      SendMessageW(List(), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(L"Email"));
      // The translations carry no mnemonics yet; these stand for them.
      SetDlgItemTextW(Settings(), IDCANCEL, L"&Cancel");
      SetDlgItemTextW(LeftPage(), IDC_LEFT_LABEL, L"&Scan and send image to:");
      SetDlgItemTextW(RightPage(), IDC_OCR_SETTINGS, L"Se&ttings");
    }};
    const Step record = [this, &seen] { seen.push_back(Where()); };
    for (const Key& key : row.keys) {
      steps.push_back(record);
      steps.push_back([key] {
        SetHeld(key.held);
        PostMessageW(GetFocus(), key.message, key.code,
                     key.message == WM_SYSCHAR ? kAltCharData : kKeyDownData);
      });
    }
    if (row.where.size() > row.keys.size()) {
      steps.push_back(record);
      steps.push_back(Click(IDCANCEL));
    }
    boxes_answered = 0;
    AppSettings().button_left_action = DESTINATION_FILE;
    OpenSettings(std::move(steps));
    EXPECT_EQ(seen, std::vector<std::string>(row.where.begin(), row.where.end()));
    EXPECT_EQ(AppSettings().button_left_action, row.stored)
        << (row.stored == DESTINATION_EMAIL ? "expected OK" : "expected Cancel");
  }
};

constexpr const char* kStrip = "tab strip, right page";
constexpr const char* kStripLeft = "tab strip, left page";
constexpr const char* kList = "list, left page";
constexpr const char* kOcr = "Settings, right page";

TEST_F(SettingsKeyboardTest, TabRunsThroughStripPageAndButtonsAndCtrlTabTurnsThePage) {
  const KeyRow rows[] = {
      {"Tab x7",
       {kTab, kTab, kTab, kTab, kTab, kTab, kTab},
       {kStrip, kOcr, "OK, right page", "Cancel, right page", "Reset, right page",
        "Calibrate, right page", "About, right page", kStrip},
       DESTINATION_FILE},
      {"Shift+Tab x2",
       {kShiftTab, kShiftTab},
       {kStrip, "About, right page", "Calibrate, right page"},
       DESTINATION_FILE},
      {"Ctrl+Tab, Tab, Ctrl+Shift+Tab x2",
       {kCtrlTab, kTab, kCtrlShiftTab, kCtrlShiftTab},
       {kStrip, kStripLeft, kList, kStrip, kStripLeft},
       DESTINATION_FILE},
      {"Left", {kLeft}, {kStrip, kStripLeft}, DESTINATION_FILE},
      {"Tab x2, Ctrl+Tab",
       {kTab, kTab, kCtrlTab},
       {kStrip, kOcr, "OK, right page", "OK, left page"},
       DESTINATION_FILE},
  };
  PressEach(rows);
}

TEST_F(SettingsKeyboardTest, EnterIsOkEscapeIsCancelFromAnywhere) {
  const KeyRow rows[] = {
      {"Enter", {kEnter}, {kStrip}, DESTINATION_EMAIL},
      {"Ctrl+Tab, Tab, Enter",
       {kCtrlTab, kTab, kEnter},
       {kStrip, kStripLeft, kList},
       DESTINATION_EMAIL},
      {"Ctrl+Tab, Tab, Escape",
       {kCtrlTab, kTab, kEscape},
       {kStrip, kStripLeft, kList},
       DESTINATION_FILE},
      {"Tab, Escape", {kTab, kEscape}, {kStrip, kOcr}, DESTINATION_FILE},
      {"Tab, Shift+Tab, Enter",
       {kTab, kShiftTab, kEnter},
       {kStrip, kOcr, kStrip},
       DESTINATION_EMAIL},
      // The open list takes Escape to close itself.
      {"Ctrl+Tab, Tab, F4, Escape",
       {kCtrlTab, kTab, kF4, kEscape},
       {kStrip, kStripLeft, kList, kList, kList},
       DESTINATION_FILE},
      // A focused push button is the default one: Enter presses it.
      {"Tab, Enter",
       {kTab, kEnter},
       {kStrip, kOcr, "Settings, right page, a message box"},
       DESTINATION_FILE},
  };
  PressEach(rows);
}

TEST_F(SettingsKeyboardTest, MnemonicsReachPageControlsAndDialogButtons) {
  const KeyRow rows[] = {
      {"Ctrl+Tab, Tab, Alt+C",
       {kCtrlTab, kTab, Alt(L'c')},
       {kStrip, kStripLeft, kList},
       DESTINATION_FILE},
      {"Tab x2, C", {kTab, kTab, Letter(L'c')}, {kStrip, kOcr, "OK, right page"}, DESTINATION_FILE},
      {"Ctrl+Tab, Alt+S", {kCtrlTab, Alt(L's')}, {kStrip, kStripLeft, kList}, DESTINATION_FILE},
      {"Alt+T", {Alt(L't')}, {kStrip, "Settings, right page, a message box"}, DESTINATION_FILE},
      // The list takes letters for its entries.
      {"Ctrl+Tab, Tab, C",
       {kCtrlTab, kTab, Letter(L'c')},
       {kStrip, kStripLeft, kList, kList},
       DESTINATION_FILE},
  };
  PressEach(rows);
}

TEST_F(SettingsDialogTest, ResetRestoresTheDefaultsAtOnceAndCancelKeepsThem) {
  AppSettings().button_left_action = DESTINATION_EMAIL;
  OpenSettings({ShowLeftPage(), Check([&] { EXPECT_EQ(Selected(), L"Email"); }), Click(IDC_RESET),
                Check([&] {
                  EXPECT_EQ(AppSettings().button_left_action, DESTINATION_FILE);
                  EXPECT_EQ(AppSettings().format_ext_file, 3);
                  EXPECT_EQ(Selected(), L"File");
                }),
                Click(IDCANCEL)});
  EXPECT_EQ(AppSettings().button_left_action, DESTINATION_FILE);
  EXPECT_EQ(AppSettings().format_ext_file, 3);
}

TEST_F(SettingsDialogTest, AnUnknownStoredDestinationShowsNoChoiceAndSurvivesOk) {
  AppSettings().button_left_action = 7;
  OpenSettings({ShowLeftPage(), Check([&] { EXPECT_EQ(Selected(), L"(none)"); }), Click(IDOK)});
  EXPECT_EQ(AppSettings().button_left_action, 7);
}

TEST_F(SettingsDialogTest, InDutchBestandComesFirstAndEmailStillStoresEmail) {
  AppSettings().SetLanguage(10);
  OpenSettings({ShowLeftPage(), Check([&] {
                  EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"Bestand", L"E-mail"}));
                  EXPECT_EQ(Selected(), L"Bestand");
                }),
                Type(L'E'), Check([&] { EXPECT_EQ(Selected(), L"E-mail"); }), Click(IDOK)});
  EXPECT_EQ(AppSettings().button_left_action, DESTINATION_EMAIL);
}

TEST_F(SettingsDialogTest, InFrenchTheCaptionButtonsAndTabsAreFrench) {
  AppSettings().SetLanguage(3);
  OpenSettings({Check([&] {
                  HWND settings = Settings();
                  EXPECT_EQ(TextOf(settings), L"Gestionnaire de boutons CORVANTE");
                  const std::pair<int, const wchar_t*> buttons[] = {
                      {IDOK, L"OK"},
                      {IDCANCEL, L"Annuler"},
                      {ID_APP_ABOUT, L"\u00c0 propos..."},
                      {IDC_RESET, L"R\u00e9initialiser"},
                      {ID_CALIBRATE, L"\u00c9talonner..."}};
                  for (const auto& [id, text] : buttons) {
                    EXPECT_EQ(TextOf(GetDlgItem(settings, id)), text) << "button " << id;
                  }
                  const wchar_t* tabs[] = {L"Bouton gauche", L"Bouton droit"};
                  for (int index = 0; index < 2; ++index) {
                    wchar_t text[64] = {};
                    TCITEMW item{};
                    item.mask = TCIF_TEXT;
                    item.pszText = text;
                    item.cchTextMax = 64;
                    SendMessageW(Tab(), TCM_GETITEMW, static_cast<WPARAM>(index),
                                 reinterpret_cast<LPARAM>(&item));
                    EXPECT_STREQ(text, tabs[index]);
                  }
                  EXPECT_EQ(TextOf(GetDlgItem(RightPage(), IDC_OCR_SETTINGS)), L"Param\u00e8tres");
                }),
                Click(IDCANCEL)});
}

TEST_F(SettingsDialogTest, CalibrateWithoutAScannerDoesNothing) {
  ClearCalls();
  OpenSettings(
      {Click(ID_CALIBRATE), Check([&] { EXPECT_NE(Settings(), nullptr); }), Click(IDCANCEL)});
  EXPECT_EQ(Calls(), "");
  EXPECT_TRUE(debug.Saw(L"Warning: not executing disabled command 32777\n"));
}

TEST_F(SettingsDialogTest, CalibrateWithAScannerCallsTheDataSourceOnce) {
  Connect();
  AppSettings().SetLanguage(2);
  OpenSettings({Click(ID_CALIBRATE), Click(IDCANCEL)});
  EXPECT_EQ(Calls(), "docalibrate_lang(0,2)");
}

TEST_F(SettingsDialogTest, AboutOpensOverTheDialogAndReturnsToIt) {
  HWND settings = nullptr;
  HWND about = nullptr;
  OpenSettings({Click(ID_APP_ABOUT), Check([&] {
                  settings = Settings();
                  for (HWND dialog : Dialogs()) {
                    if (dialog != settings) about = dialog;
                  }
                  ASSERT_NE(about, nullptr) << "no about box";
                  EXPECT_EQ(GetWindow(about, GW_OWNER), settings);
                  EXPECT_EQ(TextOf(GetDlgItem(about, IDC_ABOUT_TITLE)), L"CORVANTE button manager");
                  EXPECT_FALSE(IsWindowEnabled(settings)) << "the about box is modal";
                  EXPECT_FALSE(ProgramDialogs().IsOpen(DialogRole::ABOUT));
                  PostMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
                }),
                Check([&] {
                  EXPECT_FALSE(IsWindow(about));
                  EXPECT_EQ(Settings(), settings);
                  EXPECT_TRUE(IsWindowEnabled(settings));
                }),
                ShowLeftPage(), Type(L'E'), Click(IDOK)});
  EXPECT_EQ(AppSettings().button_left_action, DESTINATION_EMAIL)
      << "the dialog works on after the about box";
}

TEST_F(SettingsDialogTest, ASecondOpenCommandWhileOpenDoesNothing) {
  OpenSettings({Check([&] {
                  HWND settings = Settings();
                  Command(ID_SETTINGS);
                  EXPECT_EQ(Dialogs(), std::vector<HWND>{settings});
                }),
                Click(IDCANCEL)});
}

TEST_F(SettingsDialogTest, TheCompanionSettingsButtonLeavesTheDialogUsable) {
  HWND settings = nullptr;
  OpenSettings({Check([&] {
                  settings = Settings();
                  PostMessageW(GetDlgItem(RightPage(), IDC_OCR_SETTINGS), BM_CLICK, 0, 0);
                }),
                Check([&] {
                  EXPECT_EQ(Settings(), settings);
                  EXPECT_TRUE(IsWindowVisible(settings));
                  EXPECT_TRUE(IsWindowVisible(RightPage()));
                  EXPECT_TRUE(IsWindowEnabled(settings));
                }),
                ShowLeftPage(), Type(L'E'), Click(IDOK)});
  EXPECT_EQ(AppSettings().button_left_action, DESTINATION_EMAIL);
}

TEST_F(SettingsDialogTest, ExitFromTheTrayEndsTheDialogAndThenTheProgram) {
  OpenSettings({Check([&] { PostMessageW(hwnd, WM_COMMAND, ID_EXIT, 0); })});
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_TRUE(Dialogs().empty());
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(shell.Count(NIM_DELETE), 1);
}

TEST_F(SettingsDialogTest, ExitWithTheAboutBoxOverTheDialogEndsBothThenTheProgram) {
  OpenSettings({Click(ID_APP_ABOUT), Check([&] {
                  ASSERT_EQ(Dialogs().size(), 2u) << "the about box is open over the dialog";
                  PostMessageW(hwnd, WM_COMMAND, ID_EXIT, 0);
                })});
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_TRUE(Dialogs().empty());
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// Refuses the creation of every child dialog: the pages.
LRESULT CALLBACK RefusePages(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    if ((create->style & WS_CHILD) && desktop::IsDialog(reinterpret_cast<HWND>(wParam))) {
      return 1;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(SettingsDialogTest, WithoutItsPagesTheDialogOpensAndOkKeepsTheDestination) {
  AppSettings().button_left_action = DESTINATION_EMAIL;
  HHOOK hook = SetWindowsHookExW(WH_CBT, &RefusePages, nullptr, GetCurrentThreadId());
  OpenSettings({Check([&] {
                  UnhookWindowsHookEx(hook);
                  hook = nullptr;
                  ASSERT_NE(Settings(), nullptr);
                  EXPECT_EQ(LeftPage(), nullptr) << "the hook let a page be created";
                }),
                Click(IDOK)});
  if (hook) UnhookWindowsHookEx(hook);
  EXPECT_EQ(AppSettings().button_left_action, DESTINATION_EMAIL);
}

}  // namespace
}  // namespace frame_testing
