// A user's session with the installed program, in order: the first start,
// the scanner plugged in, each button's destination, the settings dialog, a
// second launch, the companion's language, the about box, calibration, Exit
// and a log-off.
#include <gtest/gtest.h>

#include "mail/message.h"
#include "program/journal.h"
#include "program/session.h"
#include "resource.h"
#include "settings/settings.h"

namespace e2e {
namespace {

constexpr DWORD kDetectMs = 5000;
constexpr wchar_t kCardsFolder[] = L"C:\\e2e-cards";

class Session : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    CreateDirectoryW(kCardsFolder, nullptr);
    TheMail().Reset();
  }
  static Program& program() { return TheProgram(); }
  static const Tray& tray() { return TheTray(); }

  // Started and with the scanner attached, for a test that begins mid-session.
  static void Ready() {
    if (!program().Running()) {
      ASSERT_TRUE(program().Start());
    }
    ASSERT_EQ(tray().WaitFor(TrayPicture::ATTACHED, kDetectMs), TrayPicture::ATTACHED);
  }
};

TEST_F(Session, TheFirstStartWritesTheSettingsKey) {
  Step("the Run value starts the program, as at log-on");
  ASSERT_FALSE(ReadSettings().key) << "settings before the program ever ran";
  ASSERT_TRUE(program().Start()) << "no frame from " << Narrow(Installed().run);
  EXPECT_TRUE(WaitUntil([] { return ReadSettings().key; })) << "no settings key";
  EXPECT_EQ(tray().WaitFor(TrayPicture::NO_SCANNER, kDetectMs), TrayPicture::NO_SCANNER);
  Outcome("running; the settings key is there; the tray shows: no scanner");
  Shot("no-scanner");
}

TEST_F(Session, TheIconFollowsTheScanner) {
  if (!program().Running()) {
    ASSERT_TRUE(program().Start());
  }
  Step("plug the scanner in");
  ASSERT_TRUE(Scanner(L"attach"));
  EXPECT_EQ(tray().WaitFor(TrayPicture::ATTACHED, kDetectMs), TrayPicture::ATTACHED);
  Shot("attached");
  Step("a paper jam: the driver answers -1");
  ASSERT_TRUE(Scanner(L"jam"));
  EXPECT_EQ(tray().WaitFor(TrayPicture::LOCKED, kDetectMs), TrayPicture::LOCKED);
  Shot("jammed");
  Step("clear the jam");
  ASSERT_TRUE(Scanner(L"clear"));
  EXPECT_EQ(tray().WaitFor(TrayPicture::ATTACHED, kDetectMs), TrayPicture::ATTACHED);
  Outcome("no scanner, attached, padlock, attached again");
}

TEST_F(Session, TheLeftButtonSavesTheCardInEachFormat) {
  Ready();
  const struct {
    int type;  // in the Save-as dialog's list
    const wchar_t* format;
    const wchar_t* extension;
  } kFormats[] = {{0, L"TIFF", L".tif"}, {1, L"PCX", L".pcx"}, {2, L"JPEG", L".jpg"}};
  for (const auto& format : kFormats) {
    const std::wstring name = std::wstring(kCardsFolder) + L"\\card-" + format.format;
    Step("press the left button; save the card as " + Narrow(format.format));
    ASSERT_TRUE(Scanner(L"press left"));
    const HWND dialog = WaitForSaveAs();
    ASSERT_NE(dialog, nullptr) << "no Save-as dialog";
    EXPECT_EQ(tray().WaitFor(TrayPicture::LOCKED, kDetectMs), TrayPicture::LOCKED)
        << "during the action";
    if (format.type == 0) Shot("save-as");
    SaveAs(dialog, format.type, name);
    const std::wstring file = name + format.extension;
    EXPECT_TRUE(WaitUntil([&] { return !ReadWhole(file).empty(); })) << Narrow(file);
    KeepForIdentify(file, format.format, L"card");
    Outcome(Narrow(file) + " written");
  }
  EXPECT_EQ(tray().WaitFor(TrayPicture::ATTACHED, kDetectMs), TrayPicture::ATTACHED);
}

TEST_F(Session, TheSettingsDialogSendsTheNextPressByEmail) {
  Ready();
  Step("in the settings dialog, the left button's destination becomes Email");
  ASSERT_TRUE(program().ChooseDestination(Destination::EMAIL));
  const size_t sent = SentMessages().size();
  Step("press the left button; address the message in the mail client and send it");
  ASSERT_TRUE(Scanner(L"press left"));
  const HWND compose = WaitForCompose();
  ASSERT_NE(compose, nullptr) << "no compose window";
  EXPECT_EQ(tray().WaitFor(TrayPicture::LOCKED, kDetectMs), TrayPicture::LOCKED)
      << "during the action";
  Shot("compose");
  SendMessageTo(compose, kRecipient);
  ASSERT_TRUE(WaitUntil([&] { return SentMessages().size() > sent; })) << "nothing sent";
  // What the recipient gets is the card that the scan left in the temporary folder.
  const std::wstring card = MailedCard();
  std::string message = ReadWhole(SentMessages().back());
  std::string body;
  for (char c : message) {
    if (c != '\r' && c != '\n') body += c;
  }
  const std::string scanned = ReadWhole(card);
  ASSERT_FALSE(scanned.empty());
  EXPECT_NE(body.find(mailsim::Base64(scanned)), std::string::npos)
      << "the message does not carry the card";
  KeepForIdentify(card, L"JPEG", L"mailed");
  Keep(SentMessages().back(), L"sent-card.eml");
  Outcome(Narrow(SentMessages().back()) + " carries the card");
}

TEST_F(Session, TheRightButtonHandsTheCardToTheCompanion) {
  Ready();
  const std::wstring scans = Installed().folder + L"\\Scans";
  const size_t calls = CompanionCalls().size();
  const size_t kept = FilesIn(scans, L"*.jpg").size();
  Step("press the right button");
  ASSERT_TRUE(Scanner(L"press right"));
  EXPECT_TRUE(WaitUntil([&] { return ScanCardsSince(calls); }))
      << "no ScanCards in the companion's log";
  ASSERT_GT(FilesIn(scans, L"*.jpg").size(), kept) << "no scan in the companion's folder";
  KeepForIdentify(FilesIn(scans, L"*.jpg").back(), L"JPEG", L"companion");
  Outcome("the companion scanned " + Narrow(FilesIn(scans, L"*.jpg").back()));
}

TEST_F(Session, ASecondLaunchBringsTheFirstInstancesDialogForward) {
  Ready();
  Step("start the program a second time");
  afx::UniqueHandleT second = desktop::Start(Installed().run, UserFolder());
  ASSERT_TRUE(second);
  EXPECT_EQ(WaitForSingleObject(second.get(), 5000), WAIT_OBJECT_0) << "the second stays";
  const HWND dialog = program().WaitForDialog(IDC_TAB);
  ASSERT_NE(dialog, nullptr) << "the first instance opened no settings dialog";
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog; }));
  Shot("settings");
  Step("work in the scanner panel, then start the program again");
  afx::UniqueHandleT panel = desktop::Start(L"\"" + Installed().panel + L"\"", UserFolder());
  const DWORD panelId = GetProcessId(panel.get());
  const HWND panelWindow = WaitForWindow(panelId, [](HWND) { return true; });
  ASSERT_NE(panelWindow, nullptr);
  SetForegroundWindow(panelWindow);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == panelWindow; }));
  second = desktop::Start(Installed().run, UserFolder());
  EXPECT_EQ(WaitForSingleObject(second.get(), 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog; }))
      << "the settings dialog stayed behind";
  Outcome("the second instance ended; the first one's settings dialog came forward");
  PostMessageW(panelWindow, WM_CLOSE, 0, 0);
  desktop::Press(dialog, IDCANCEL);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
}

TEST_F(Session, TheCompanionsLanguageSwitchChangesTheNextMenu) {
  Ready();
  const auto texts = [] {
    std::vector<std::wstring> shown;
    for (const MenuItem& item : program().OpenMenu()) shown.push_back(item.text);
    program().CloseMenu();
    return shown;
  };
  const std::vector<std::wstring> english = texts();
  ASSERT_FALSE(english.empty()) << "no tray menu";
  const std::vector<MenuItem> menu = program().OpenMenu();
  ASSERT_FALSE(menu.empty());
  EXPECT_TRUE(menu.front().isDefault) << "with the scanner attached, Open is the default";
  Shot("menu");
  program().CloseMenu();
  EXPECT_EQ(english.front(), ProgramText(IDS_OPEN));
  Step("switch the companion to French: quillora lang frn");
  ASSERT_TRUE(Companion(L"lang frn"));
  std::vector<std::wstring> french;
  EXPECT_TRUE(WaitUntil([&] {
    french = texts();
    return french.size() == english.size() && french.front() != english.front();
  }));
  for (size_t i = 0; i < french.size() && i < english.size(); ++i) {
    if (!english[i].empty()) {
      EXPECT_NE(french[i], english[i]) << "item " << i;
    }
  }
  program().OpenMenu();
  Shot("menu-french");
  program().CloseMenu();
  std::string shown;
  for (const std::wstring& text : french) shown += (shown.empty() ? "" : " | ") + Narrow(text);
  Outcome("the menu reads: " + shown);
  Step("and back to English");
  ASSERT_TRUE(Companion(L"lang eng"));
  EXPECT_TRUE(WaitUntil([&] { return texts() == english; }));
}

TEST_F(Session, TheAboutBoxOpensFromTheMenu) {
  Ready();
  Step("choose About... in the tray menu");
  ASSERT_FALSE(program().OpenMenu().empty());
  program().Choose(ID_APP_ABOUT);
  const HWND about = program().WaitForDialog(IDC_ABOUT_TITLE);
  ASSERT_NE(about, nullptr) << "no about box";
  Shot("about");
  desktop::Press(about, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
  Outcome("the about box came and went");
}

TEST_F(Session, CalibrateRunsTheScannersProcedure) {
  Ready();
  Step("choose Calibrate... in the tray menu");
  const uint32_t before = TheScanner().CallCount();
  bool enabled = false;
  for (const MenuItem& item : program().OpenMenu()) {
    if (item.id == ID_CALIBRATE) enabled = item.enabled;
  }
  ASSERT_TRUE(enabled) << "Calibrate is not offered";
  program().Choose(ID_CALIBRATE);
  const HWND window = WaitForWindow(
      program().id(), [](HWND w) { return desktop::ClassOf(w) == L"Kdv310CalibrationWindow"; });
  ASSERT_NE(window, nullptr) << "no calibration window";
  Shot("calibration");
  desktop::Press(window, IDCANCEL);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window); }));
  bool called = false;
  for (const scannersim::CallRecord& call : TheScanner().CallsSince(before)) {
    if (call.call != scannersim::CALL_DOCALIBRATE_LANG) continue;
    called = true;
    EXPECT_EQ(call.arg2, 1) << "not in English";
  }
  EXPECT_TRUE(called) << "the data source was not asked to calibrate";
  EXPECT_TRUE(program().Responsive());
  Outcome("the scanner's calibration window came and went");
}

TEST_F(Session, ExitSavesTheSettingsAndRemovesTheIcon) {
  Ready();
  Step("choose Exit in the tray menu");
  ASSERT_TRUE(program().Exit()) << "the program did not end";
  EXPECT_EQ(tray().WaitFor(TrayPicture::NONE, kDetectMs), TrayPicture::NONE);
  const StoredSettings stored = ReadSettings();
  EXPECT_EQ(stored.actionType, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(stored.action, static_cast<DWORD>(DESTINATION_EMAIL));
  // The type last chosen in the Save-as dialog, JPEG.
  EXPECT_EQ(stored.format, 3u);
  Outcome("ended; no icon; destination E-mail and file type JPEG saved");
  Shot("after-exit");
}

TEST_F(Session, ALogOffKeepsAChangeMadeInTheSession) {
  Ready();
  Step("set the destination back to File, then log off");
  ASSERT_TRUE(program().ChooseDestination(Destination::FILE));
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(program().frame(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                  SMTO_ABORTIFHUNG, 5000, &answer));
  EXPECT_TRUE(answer) << "the program refused the log-off";
  ASSERT_TRUE(SendMessageTimeoutW(program().frame(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF,
                                  SMTO_ABORTIFHUNG, 5000, &answer));
  // Windows ends the session's processes without letting them run further.
  program().Kill();
  EXPECT_EQ(ReadSettings().action, static_cast<DWORD>(DESTINATION_FILE));
  Outcome("the destination File survived the log-off");
}

}  // namespace
}  // namespace e2e
