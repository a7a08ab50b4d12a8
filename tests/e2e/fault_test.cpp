// The fault table: each case changes the installation (before a start, or
// while the program runs), presses as a user does and checks what the user
// sees. Every case ends with the program answering and its icon in the tray,
// or gone where Exit was chosen, and the settings intact.
#include <windows.h>

#include <gtest/gtest.h>

#include <mapi.h>
#include <shellapi.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>

#include "control.h"
#include "framework/unique_handle.h"
#include "mail/mailhelper.h"
#include "program/changes.h"
#include "program/journal.h"
#include "program/session.h"
#include "resource.h"
#include "settings/settings.h"

namespace e2e {
namespace {

constexpr DWORD kDetectMs = 5000;
// How long a press that should show nothing is watched.
constexpr DWORD kQuietMs = 2000;
constexpr wchar_t kFaultFolder[] = L"C:\\e2e-faults";
// JPEG, the third of the Save-as dialog's file types.
constexpr int kJpegType = 2;
constexpr wchar_t kMailClients[] = L"Software\\Clients\\Mail";
// A name longer than any buffer the program reads it into.
const std::wstring kOversized(300, L'x');

// The mail client's library, as its registration names it.
void SetMailLibrary(Changes& c, const std::string& stored) {
  c.SetValue(HKEY_LOCAL_MACHINE, std::wstring(kMailClients) + L"\\" + mailsim::kClientName,
             L"DLLPath", REG_EXPAND_SZ, stored);
}

// 64-bit Windows keeps a registry view for each architecture.
bool HasTwoViews() {
  BOOL wow64 = FALSE;
  return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
// The test command says whether this host runs the other architecture's programs.
bool OtherArchitectureRuns() {
  const char* runs = std::getenv("E2E_OTHER_ARCH_RUNS");
  return runs != nullptr && std::strcmp(runs, "1") == 0;
}

enum class Press { START, LEFT_TO_FILE, LEFT_TO_EMAIL, RIGHT, MENU };

using Change = std::function<void(Changes&)>;
using Act = std::function<void()>;

struct Row {
  explicit Row(std::string caseName) : name(std::move(caseName)) {}

  // The change takes effect at the next start.
  Row& AtStart(Change what) {
    restart = true;
    change = std::move(what);
    return *this;
  }
  Row& Meanwhile(Change what) {
    change = std::move(what);
    return *this;
  }
  Row& With(std::vector<std::wstring> variables) {
    environment = std::move(variables);
    return *this;
  }
  // `command` goes to the scanner panel once the press's first window is up.
  Row& Pressing(Press how, const wchar_t* command = nullptr) {
    press = how;
    during = command;
    return *this;
  }
  Row& Naming(const wchar_t* file) {
    card = file;
    return *this;
  }
  Row& Acting(Act custom) {
    act = std::move(custom);
    return *this;
  }
  // What the user sees.
  Row& NoScannerFound() {
    found = false;
    icon = TrayPicture::NO_SCANNER;
    return *this;
  }
  Row& Told(UINT text) {
    box = text;
    return *this;
  }
  Row& ToldUnder(const wchar_t* boxCaption) {
    caption = boxCaption;
    return *this;
  }
  Row& Delivered() {
    delivered = true;
    return *this;
  }
  Row& Shows(TrayPicture picture) {
    icon = picture;
    return *this;
  }
  Row& NoCalibrate() {
    calibrate = false;
    return *this;
  }
  Row& NotEnglish() {
    english = false;
    return *this;
  }
  // The mail helper's process is ended while its compose window is open.
  Row& KillingTheHelper() {
    killHelper = true;
    return *this;
  }
  // The card handed to the companion, which cannot scan it.
  Row& Asked() {
    asked = true;
    return *this;
  }

  bool ExpectsBox() const { return box != 0 || caption != nullptr; }

  std::string name;
  bool restart = false;
  Change change;
  std::vector<std::wstring> environment;
  Press press = Press::START;
  const wchar_t* during = nullptr;
  const wchar_t* card = nullptr;
  Act act;
  // Expected.
  bool found = true;                 // the scanner is detected
  UINT box = 0;                      // the program's text in a message box
  const wchar_t* caption = nullptr;  // or a box under this caption, whatever its text
  bool delivered = false;            // the card saved, sent or handed over
  TrayPicture icon = TrayPicture::ATTACHED;
  bool calibrate = true;
  bool english = true;
  bool killHelper = false;
  bool asked = false;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

std::wstring InSystem(const wchar_t* file) { return Installed().system + L"\\" + file; }
std::wstring Substitute(const wchar_t* file) { return Installed().substitutes + L"\\" + file; }

// What the user met.
struct Seen {
  uint32_t pressed = 0;  // the scanner's call count at the press
  SeenBox box;
  bool delivered = false;
  bool asked = false;     // the companion's ScanCards, whatever it scanned
  bool cardKept = false;  // the e-mail scan's file in the temporary folder
  std::vector<MenuItem> menu;

  std::string Describe() const {
    std::ostringstream out;
    if (box.seen) {
      std::string text = Narrow(box.text.substr(0, box.text.find(L'\n')));
      out << "box \"" << Narrow(box.caption) << "\": " << text << "; ";
    }
    if (!menu.empty()) {
      out << "menu: ";
      for (const MenuItem& item : menu) {
        if (item.id != 0) out << Narrow(item.text) << (item.enabled ? "" : " (greyed)") << " ";
      }
      out << "; ";
    }
    out << (delivered ? "the card arrived" : "no card");
    return out.str();
  }
};

// What the program asked of the scanner since `mark`, for a failure's message.
std::string ScannerCallsSince(uint32_t mark) {
  std::ostringstream out;
  out << "; the scanner's calls since the press:";
  for (const scannersim::CallRecord& call : TheScanner().CallsSince(mark)) {
    out << " " << Narrow(scannersim::Control::CallName(call.call)) << "(" << call.arg1
        << ")=" << call.result;
  }
  return out.str();
}

// A box of the program's, or the compose window, which the mail helper shows
// for a client of the other architecture.
bool IsMailWindow(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return (process == TheProgram().id() && IsMessageBox(window)) || IsCompose(window);
}

void EndProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  const afx::UniqueHandleT handle(OpenProcess(PROCESS_TERMINATE, FALSE, process));
  if (handle) TerminateProcess(handle.get(), 9);
}

std::wstring InstalledHelper() { return Installed().folder + L"\\" + mail::kOtherHelperName; }

// Only a client of the other architecture, as its installer registers it: in
// that architecture's view, with the library built for it.
void OtherArchitectureClient(Changes& c) {
  const std::wstring clientKey = std::wstring(kMailClients) + L"\\" + mailsim::kClientName;
  c.DeleteValue(HKEY_LOCAL_MACHINE, kMailClients, nullptr);
  const REGSAM view = HasTwoViews() ? kOtherView : 0;
  c.SetValue(HKEY_LOCAL_MACHINE, kMailClients, nullptr, REG_SZ, TextBytes(mailsim::kClientName),
             view);
  c.SetValue(HKEY_LOCAL_MACHINE, clientKey, L"DLLPath", REG_EXPAND_SZ,
             TextBytes(Substitute(L"other\\simmapi.dll")), view);
}

class FaultTable : public testing::TestWithParam<Row> {
 protected:
  static void SetUpTestSuite() {
    CreateDirectoryW(kFaultFolder, nullptr);
    TheMail().Reset();
    TheMail().SetOutbox((std::wstring(kFaultFolder) + L"\\outbox").c_str());
    TheScanner();
    Scanner(L"attach");
    // A fresh prefix names Wine's own client in the other architecture's
    // view; only the cases that want a client there put one.
    if (HasTwoViews()) {
      afx::UniqueRegKey clients;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMailClients, 0, KEY_SET_VALUE | kOtherView,
                        clients.put()) == ERROR_SUCCESS) {
        RegDeleteValueW(clients.get(), nullptr);
      }
    }
  }
  static void TearDownTestSuite() { TheProgram().Exit(); }

  static Program& program() { return TheProgram(); }

  void Prepare(const Row& row, Changes& changes);
  Seen PressAsUser(const Row& row);
  void CheckAfter(const Row& row, const Seen& seen);
};

void FaultTable::Prepare(const Row& row, Changes& changes) {
  if (row.restart) {
    if (program().Running()) {
      ASSERT_TRUE(program().Exit());
    }
    if (row.change) row.change(changes);
    ASSERT_TRUE(program().Start(row.environment)) << "the program did not start";
  } else if (!program().Running()) {
    ASSERT_TRUE(program().Start());
  }
  if (row.found) {
    ASSERT_EQ(TheTray().WaitFor(TrayPicture::ATTACHED, kDetectMs), TrayPicture::ATTACHED);
  }
  const bool email = row.press == Press::LEFT_TO_EMAIL;
  if ((row.press == Press::LEFT_TO_FILE || email) &&
      program().destination() != (email ? Destination::EMAIL : Destination::FILE)) {
    ASSERT_TRUE(program().ChooseDestination(email ? Destination::EMAIL : Destination::FILE));
  }
  if (!row.restart && row.change) row.change(changes);
}

Seen FaultTable::PressAsUser(const Row& row) {
  Seen seen;
  const DWORD wait = row.found ? kDeadlineMs : kQuietMs;
  const DWORD boxWait = row.ExpectsBox() ? kDeadlineMs : kQuietMs;
  const auto firstWindowUp = [&] {
    if (row.during) Scanner(row.during);
  };
  seen.pressed = TheScanner().CallCount();
  switch (row.press) {
    case Press::START:
      break;
    case Press::LEFT_TO_FILE: {
      const std::wstring file = row.card ? row.card : std::wstring(kFaultFolder) + L"\\card.jpg";
      DeleteFileW(file.c_str());
      EXPECT_TRUE(Scanner(L"press left"));
      // A box may come in place of the dialog.
      const HWND first = WaitForWindow(
          program().id(), [](HWND w) { return IsMessageBox(w) || IsSaveAs(w); }, wait);
      if (first && !IsMessageBox(first)) {
        firstWindowUp();
        SaveAs(first, kJpegType, file);
      }
      if (first) seen.box = AnswerMessageBox(program().id(), boxWait);
      seen.delivered =
          WaitUntil([&] { return !ReadWhole(file).empty(); }, row.delivered ? kDeadlineMs : 0);
      break;
    }
    case Press::LEFT_TO_EMAIL: {
      for (const std::wstring& message : SentMessages()) DeleteFileW(message.c_str());
      EXPECT_TRUE(Scanner(L"press left"));
      const HWND first =
          WaitForWindow(0, IsMailWindow, row.delivered || row.ExpectsBox() ? wait : kQuietMs);
      if (first) firstWindowUp();
      if (first && !IsMessageBox(first)) {
        if (row.killHelper) {
          EndProcessOf(first);
        } else {
          SendMessageTo(first, kRecipient);
        }
      }
      // The box comes in place of the compose window, or after it.
      if (first) seen.box = AnswerMessageBox(program().id(), boxWait);
      seen.delivered =
          WaitUntil([] { return !SentMessages().empty(); }, row.delivered ? kDeadlineMs : 0);
      seen.cardKept = GetFileAttributesW(MailedCard().c_str()) != INVALID_FILE_ATTRIBUTES;
      break;
    }
    case Press::RIGHT: {
      const size_t calls = CompanionCalls().size();
      EXPECT_TRUE(Scanner(L"press right"));
      seen.box = AnswerMessageBox(program().id(), boxWait);
      seen.delivered =
          WaitUntil([&] { return ScanCardsSince(calls, true); }, row.delivered ? kDeadlineMs : 0);
      seen.asked = WaitUntil([&] { return ScanCardsSince(calls); }, row.asked ? kDeadlineMs : 0);
      break;
    }
    case Press::MENU:
      seen.menu = program().OpenMenu();
      program().CloseMenu();
      break;
  }
  return seen;
}

void FaultTable::CheckAfter(const Row& row, const Seen& seen) {
  if (row.box != 0) {
    EXPECT_TRUE(ShowsProgramText(seen.box.text, row.box))
        << "expected \"" << Narrow(ProgramText(row.box)) << "\", saw \"" << Narrow(seen.box.text)
        << "\"" << ScannerCallsSince(seen.pressed);
  } else if (row.caption != nullptr) {
    EXPECT_TRUE(seen.box.seen) << "no message box" << ScannerCallsSince(seen.pressed);
    EXPECT_EQ(seen.box.caption, row.caption);
    EXPECT_FALSE(seen.box.text.empty());
  } else {
    EXPECT_FALSE(seen.box.seen) << "an unexpected box: " << Narrow(seen.box.text);
  }
  EXPECT_EQ(seen.delivered, row.delivered) << ScannerCallsSince(seen.pressed);
  if (row.asked) {
    EXPECT_TRUE(seen.asked) << "the card was not handed to the companion";
  }
  // A scan that failed leaves no card behind to go out with a later message.
  if (row.box == IDS_NO_IMAGE) {
    EXPECT_FALSE(seen.cardKept) << "the failed scan's card was kept";
  }
  if (row.press == Press::MENU) {
    ASSERT_FALSE(seen.menu.empty()) << "no tray menu";
    EXPECT_EQ(seen.menu.front().text == ProgramText(IDS_OPEN), row.english);
    for (const MenuItem& item : seen.menu) {
      if (item.id == ID_CALIBRATE) {
        EXPECT_EQ(item.enabled, row.calibrate) << "Calibrate";
      }
    }
  }
  EXPECT_TRUE(program().Responsive()) << "the program does not answer";
  EXPECT_FALSE(AnswerMessageBox(program().id(), 0).seen) << "a box was left open";
  EXPECT_EQ(TheTray().WaitFor(row.icon, kDetectMs), row.icon);
}

// The settings in the registry: values of their own type, both of them once
// the program has ended (it writes them then), whatever the case did.
void ExpectSettingsIntact(bool written) {
  const StoredSettings stored = ReadSettings();
  EXPECT_TRUE(stored.key);
  for (const DWORD type : {stored.actionType, stored.formatType}) {
    if (written || type != REG_NONE) {
      EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    }
  }
  if (written) {
    EXPECT_TRUE(stored.action == DESTINATION_FILE || stored.action == DESTINATION_EMAIL);
  }
}

// What an earlier case may have left: the scanner as plugged in and idle,
// no window of the program open.
void Tidy() {
  Scanner(L"attach clear release left release right");
  if (!TheProgram().Running()) return;
  for (HWND window : WindowsOf(TheProgram().id(), desktop::IsDialog)) {
    ADD_FAILURE() << "left open: " << Narrow(desktop::TextOf(window));
    desktop::Press(window, IDCANCEL);
  }
}

TEST_P(FaultTable, Case) {
  const Row& row = GetParam();
  Step("fault: " + row.name);
  Tidy();
  Changes changes;
  if (row.act) {
    if (!program().Running()) {
      ASSERT_TRUE(program().Start());
    }
    ASSERT_EQ(TheTray().WaitFor(TrayPicture::ATTACHED, kDetectMs), TrayPicture::ATTACHED);
    // The cases that press the left button want the Save-as dialog.
    if (program().destination() != Destination::FILE) {
      ASSERT_TRUE(program().ChooseDestination(Destination::FILE));
    }
    row.act();
  } else {
    Prepare(row, changes);
    if (HasFatalFailure()) return;
    const Seen seen = PressAsUser(row);
    CheckAfter(row, seen);
    Outcome(seen.Describe());
  }
  // A change to what the program loads at start-up is undone with the program ended.
  if (row.restart && program().Running()) {
    EXPECT_TRUE(program().Exit());
  }
  ExpectSettingsIntact(!program().Running());
  changes.Undo();
}

// --- Cases that need their own steps. ---

void ShellRestart() {
  Program& program = TheProgram();
  // The shell forgets its icons when it restarts.
  NOTIFYICONDATAW icon = {};
  icon.cbSize = sizeof(icon);
  icon.hWnd = program.frame();
  icon.uID = desktop::kTrayIconId;
  Shell_NotifyIconW(NIM_DELETE, &icon);
  EXPECT_EQ(TheTray().WaitFor(TrayPicture::NONE, kDetectMs), TrayPicture::NONE);
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0,
                      SMTO_ABORTIFHUNG, 5000, &answer);
  EXPECT_EQ(TheTray().WaitFor(TrayPicture::ATTACHED, kDetectMs), TrayPicture::ATTACHED);
  EXPECT_TRUE(program.Responsive());
  Outcome("the icon came back");
}

void TenLaunches() {
  Program& program = TheProgram();
  ASSERT_TRUE(program.Exit());
  constexpr int kLaunches = 10;
  std::vector<afx::UniqueHandleT> launched;
  const DWORD start = GetTickCount();
  for (int i = 0; i < kLaunches; ++i)
    launched.push_back(desktop::Start(Installed().run, UserFolder()));
  std::vector<DWORD> ids;
  for (const afx::UniqueHandleT& process : launched) ids.push_back(GetProcessId(process.get()));
  const auto running = [&] {
    int count = 0;
    for (const afx::UniqueHandleT& process : launched) {
      count += WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
    }
    return count;
  };
  // Quietly: no launch shows a message box.
  bool boxes = false;
  EXPECT_TRUE(WaitUntil([&] {
    for (DWORD id : ids) boxes = boxes || !WindowsOf(id, IsMessageBox).empty();
    return running() == 1;
  })) << running()
      << " processes still run";
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_FALSE(boxes) << "a launch showed a message box";
  EXPECT_LT(elapsed, 10000u);
  EXPECT_EQ(desktop::TopWindows(0, L"ButtonManagerFrame").size(), 1u);
  for (afx::UniqueHandleT& process : launched) {
    if (WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
      ASSERT_TRUE(program.Adopt(std::move(process)));
    }
  }
  // A launch that came after the first one's window asked it for its settings.
  if (const HWND settings = program.WaitForDialog(IDC_TAB, 1000)) {
    desktop::Press(settings, IDCANCEL);
  }
  EXPECT_TRUE(program.Responsive());
  EXPECT_EQ(TheTray().WaitFor(TrayPicture::ATTACHED, kDetectMs), TrayPicture::ATTACHED);
  Outcome("one instance; the other nine ended within " + std::to_string(elapsed) + " ms");
}

// Back from sleep the driver may be a new device: the program finds it again.
void ResumeFromSleep() {
  Program& program = TheProgram();
  const uint32_t mark = TheScanner().CallCount();
  constexpr WPARAM kResumeAutomatic = 18;  // PBT_APMRESUMEAUTOMATIC
  PostMessageW(program.frame(), WM_POWERBROADCAST, kResumeAutomatic, 0);
  EXPECT_EQ(TheTray().WaitFor(TrayPicture::NO_SCANNER, kDetectMs), TrayPicture::NO_SCANNER);
  EXPECT_EQ(TheTray().WaitFor(TrayPicture::ATTACHED, kDetectMs), TrayPicture::ATTACHED);
  bool detected = false;
  for (const scannersim::CallRecord& call : TheScanner().CallsSince(mark)) {
    detected = detected || call.call == scannersim::CALL_START_SCAN;
  }
  EXPECT_TRUE(detected) << "no detection after the resume";
  EXPECT_TRUE(program.Responsive());
  Outcome("detected again after the resume");
}

void StuckButton() {
  Program& program = TheProgram();
  ASSERT_TRUE(Scanner(L"fail left 1"));
  const HWND dialog = WaitForSaveAs();
  ASSERT_NE(dialog, nullptr);
  desktop::Press(dialog, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "the Save-as dialog stays";
  // The program waits for the button's release, up to its bound, answering
  // meanwhile. The wait reads the left button alone; the ticks after it read
  // both.
  const uint32_t cancelled = TheScanner().CallCount();
  const auto readsRight = [&] {
    for (const scannersim::CallRecord& call : TheScanner().CallsSince(cancelled)) {
      if (call.call == scannersim::CALL_IS_BUTTON_PRESSED && call.arg1 == 1) return true;
    }
    return false;
  };
  const DWORD start = GetTickCount();
  bool answered = true;
  bool again = false;
  EXPECT_TRUE(WaitUntil(
      [&] {
        answered = program.Responsive(1000) && answered;
        again = again || WaitForSaveAs(0) != nullptr;
        return readsRight();
      },
      60000))
      << "the wait never ended";
  const DWORD recovered = GetTickCount() - start;
  EXPECT_TRUE(answered) << "the program did not answer within a second during the wait";
  EXPECT_GT(recovered, 20000u) << "the wait ended before its bound";
  EXPECT_FALSE(again) << "a second Save-as for the same press";
  EXPECT_EQ(WaitForSaveAs(kQuietMs), nullptr) << "the stuck button started another action";
  // Released: the program reads the button free once before the next press.
  const uint32_t released = TheScanner().CallCount();
  ASSERT_TRUE(Scanner(L"clear"));
  ASSERT_TRUE(WaitUntil([&] {
    for (const scannersim::CallRecord& call : TheScanner().CallsSince(released)) {
      if (call.call == scannersim::CALL_IS_BUTTON_PRESSED && call.arg1 == 0 && call.result == 0) {
        return true;
      }
    }
    return false;
  }));
  ASSERT_TRUE(Scanner(L"press left"));
  const HWND next = WaitForSaveAs();
  EXPECT_NE(next, nullptr) << "a press after the release does nothing";
  if (next) desktop::Press(next, IDCANCEL);
  EXPECT_TRUE(WaitUntil([&] { return next == nullptr || !IsWindow(next); }));
  Outcome("answering throughout the wait of " + std::to_string(recovered) +
          " ms; the next press works");
}

void ExitEnds(Program& program, const std::string& what) {
  EXPECT_TRUE(program.Ends(10000)) << "the program did not end";
  EXPECT_EQ(TheTray().WaitFor(TrayPicture::NONE, kDetectMs), TrayPicture::NONE);
  Outcome(what);
}

void ExitDuringSaveAs() {
  Program& program = TheProgram();
  ASSERT_TRUE(Scanner(L"press left"));
  const HWND dialog = WaitForSaveAs();
  ASSERT_NE(dialog, nullptr);
  ASSERT_FALSE(program.OpenMenu().empty()) << "no tray menu during the Save-as dialog";
  program.Choose(ID_EXIT);
  // The file dialog is the user's: Exit waits for it.
  const bool stays = !program.Ends(1000) && IsWindow(dialog);
  if (IsWindow(dialog)) desktop::Press(dialog, IDCANCEL);
  ExitEnds(program, stays ? "the Save-as dialog stayed until cancelled, then the program ended"
                          : "the Save-as dialog closed and the program ended");
}

void ExitDuringSettings() {
  Program& program = TheProgram();
  const HWND dialog = program.OpenSettings();
  ASSERT_NE(dialog, nullptr);
  ASSERT_FALSE(program.OpenMenu().empty()) << "no tray menu during the settings dialog";
  program.Choose(ID_EXIT);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "the settings dialog stays";
  ExitEnds(program, "the settings dialog closed and the program ended");
}

// --- The table. ---

// Every result code of Simple MAPI's range at each of the three calls.
void AddMapiRows(std::vector<Row>& rows) {
  using Set = void (mailsim::Control::*)(uint32_t);
  const struct {
    const char* call;
    Set set;
    uint32_t normal;  // what the client answers otherwise
    const wchar_t* caption;
    bool sends;  // the compose window comes and the message goes out first
  } kCalls[] = {
      {"MAPILogon", &mailsim::Control::SetLogonResult, SUCCESS_SUCCESS, L"", false},
      {"MAPISendMail", &mailsim::Control::SetSendResult, mailsim::kUserDecides, L"E-mail", false},
      {"MAPILogoff", &mailsim::Control::SetLogoffResult, SUCCESS_SUCCESS, L"", true}};
  for (const auto& call : kCalls) {
    for (uint32_t code = MAPI_USER_ABORT; code <= MAPI_E_NOT_SUPPORTED; ++code) {
      Row row(std::string(call.call) + " answers " + std::to_string(code));
      row.Meanwhile([set = call.set, normal = call.normal, code](Changes& c) {
           (TheMail().*set)(code);
           c.Then([set, normal] { (TheMail().*set)(normal); });
         })
          .Pressing(Press::LEFT_TO_EMAIL);
      // The user's own cancel is not reported.
      if (code != MAPI_USER_ABORT) row.ToldUnder(call.caption);
      if (call.sends) row.Delivered();
      rows.push_back(row);
    }
  }
}

// A client of the other architecture: through the mail helper where Windows
// runs both, else the program says the two do not match.
void AddOtherArchitectureRows(std::vector<Row>& rows) {
  Row client("a mail client of the other architecture");
  client.Meanwhile(OtherArchitectureClient).Pressing(Press::LEFT_TO_EMAIL);
  if (!HasTwoViews()) {
    rows.push_back(client.Told(IDS_MAIL_CLIENT_OTHER_ARCHITECTURE));
    return;
  }
  rows.push_back(OtherArchitectureRuns() ? client.Delivered()
                                         : client.Told(IDS_MAIL_HELPER_FAILED));
  rows.push_back(Row("the mail helper missing")
                     .Meanwhile([](Changes& c) {
                       OtherArchitectureClient(c);
                       c.Remove(InstalledHelper());
                     })
                     .Pressing(Press::LEFT_TO_EMAIL)
                     .Told(IDS_MAIL_HELPER_FAILED));
  rows.push_back(Row("the mail helper not a program")
                     .Meanwhile([](Changes& c) {
                       OtherArchitectureClient(c);
                       c.Remove(InstalledHelper());
                       c.Create(InstalledHelper(), "not a program");
                     })
                     .Pressing(Press::LEFT_TO_EMAIL)
                     .Told(IDS_MAIL_HELPER_FAILED));
  if (!OtherArchitectureRuns()) return;
  rows.push_back(Row("the mail helper ended while its compose window is open")
                     .Meanwhile(OtherArchitectureClient)
                     .Pressing(Press::LEFT_TO_EMAIL)
                     .KillingTheHelper()
                     .Told(IDS_MAIL_HELPER_FAILED));
  // One code a step, told as in process.
  using Set = void (mailsim::Control::*)(uint32_t);
  const struct {
    const char* call;
    Set set;
    uint32_t code;
    uint32_t normal;
    const wchar_t* caption;
    bool sends;
  } kSteps[] = {{"MAPILogon", &mailsim::Control::SetLogonResult, MAPI_E_LOGON_FAILURE,
                 SUCCESS_SUCCESS, L"", false},
                {"MAPISendMail", &mailsim::Control::SetSendResult, MAPI_E_ATTACHMENT_NOT_FOUND,
                 mailsim::kUserDecides, L"E-mail", false},
                {"MAPILogoff", &mailsim::Control::SetLogoffResult, MAPI_E_INVALID_SESSION,
                 SUCCESS_SUCCESS, L"", true}};
  for (const auto& step : kSteps) {
    Row row(std::string(step.call) + " answers " + std::to_string(step.code) +
            " through the mail helper");
    row.Meanwhile([step](Changes& c) {
         OtherArchitectureClient(c);
         (TheMail().*step.set)(step.code);
         c.Then([step] { (TheMail().*step.set)(step.normal); });
       })
        .Pressing(Press::LEFT_TO_EMAIL)
        .ToldUnder(step.caption);
    if (step.sends) row.Delivered();
    rows.push_back(row);
  }
}

std::vector<Row> Rows() {
  const std::wstring ansiOutside = std::wstring(kFaultFolder) + L"\\\x0422\x0435\x043C\x043F";
  std::vector<Row> rows = {
      Row("no driver library")
          .AtStart([](Changes& c) { c.Remove(InSystem(L"kdv310.dll")); })
          .Pressing(Press::LEFT_TO_FILE)
          .NoScannerFound(),
      Row("a driver without some exports")
          .AtStart([](Changes& c) {
            c.Replace(InSystem(L"kdv310.dll"), Substitute(L"kdv310_partial.dll"));
          })
          .Pressing(Press::LEFT_TO_FILE)
          .Delivered(),
      Row("no data source")
          .AtStart([](Changes& c) { c.Remove(Installed().dataSource); })
          .Pressing(Press::MENU)
          .NoCalibrate(),
      Row("a data source without docalibrate_lang")
          .AtStart([](Changes& c) {
            c.Replace(Installed().dataSource, Substitute(L"kdv310_nocalibrate.ds"));
          })
          .Pressing(Press::MENU)
          .NoCalibrate(),
      Row("no colour-scan library")
          .AtStart([](Changes& c) { c.Remove(InSystem(L"ovrapixlw.dll")); })
          .Pressing(Press::LEFT_TO_FILE)
          .Told(IDS_NO_SCANNER_SOFTWARE),
      Row("no colour-scan library, by e-mail")
          .AtStart([](Changes& c) { c.Remove(InSystem(L"ovrapixlw.dll")); })
          .Pressing(Press::LEFT_TO_EMAIL)
          .Told(IDS_NO_SCANNER_SOFTWARE),
      Row("no colour-scan library, the right button")
          .AtStart([](Changes& c) { c.Remove(InSystem(L"ovrapixlw.dll")); })
          .Pressing(Press::RIGHT)
          .Asked(),
      Row("no colour-scan library, the menu")
          .AtStart([](Changes& c) { c.Remove(InSystem(L"ovrapixlw.dll")); })
          .Pressing(Press::MENU),
      Row("no companion")
          .AtStart([](Changes& c) {
            c.Companion(L"unregister", L"register");
            c.DeleteTree(HKEY_CURRENT_USER, companion::kRootKey);
            c.Remove(Installed().companion);
          })
          .Pressing(Press::RIGHT)
          .Told(IDS_NOT_INSTALLED),
      Row("a companion of another version")
          .AtStart([](Changes& c) {
            c.Replace(Installed().companion,
                      Substitute(L"companion\\versions\\6.0.1.5\\quillora.exe"));
          })
          .Pressing(Press::RIGHT)
          .Delivered(),
      Row("no companion registry")
          .AtStart([](Changes& c) { c.DeleteTree(HKEY_CURRENT_USER, companion::kRootKey); })
          .Pressing(Press::RIGHT)
          .Delivered(),
      Row("the companion's language stored without its terminator")
          .AtStart([](Changes& c) {
            c.SetValue(HKEY_CURRENT_USER, companion::kSettingsKey, companion::kLanguageValue,
                       REG_SZ, TextBytes(L"qlr_frn.dll", false));
          })
          .Pressing(Press::MENU)
          .NotEnglish(),
      Row("an oversized companion language and folder")
          .AtStart([](Changes& c) {
            c.SetValue(HKEY_CURRENT_USER, companion::kSettingsKey, companion::kLanguageValue,
                       REG_SZ, TextBytes(L"qlr_" + kOversized + L".dll"));
            c.SetValue(HKEY_CURRENT_USER, companion::kRootKey, companion::kApplicationPathValue,
                       REG_SZ, TextBytes(L"C:\\" + kOversized));
          })
          .Pressing(Press::MENU),
      Row("settings values of the wrong type")
          .AtStart([](Changes& c) {
            c.SetValue(HKEY_CURRENT_USER, ButtonManagerSettings::kKeyPath,
                       ButtonManagerSettings::kButtonLeftAction, REG_SZ, TextBytes(L"102"));
            c.SetValue(HKEY_CURRENT_USER, ButtonManagerSettings::kKeyPath,
                       ButtonManagerSettings::kFormatExtFile, REG_BINARY, std::string(5, '\2'));
          })
          .Pressing(Press::LEFT_TO_FILE)
          .Delivered(),
      Row("a temporary folder outside the ANSI code page")
          .AtStart([ansiOutside](Changes& c) { c.Folder(ansiOutside); })
          .With({L"TEMP=" + ansiOutside, L"TMP=" + ansiOutside})
          .Pressing(Press::LEFT_TO_EMAIL)
          .Delivered(),
      Row("a card path outside the ANSI code page")
          .Pressing(Press::LEFT_TO_FILE)
          .Naming(L"C:\\e2e-faults\\\x0412\x0438\x0437\x0438\x0442\x043A\x0430.jpg")
          .Delivered(),
      Row("the colour-scan library fails: a jam, to a file")
          .Meanwhile([](Changes& c) { c.Then([] { Scanner(L"clear"); }); })
          .Pressing(Press::LEFT_TO_FILE, L"jam")
          .Told(IDS_NO_IMAGE)
          .Shows(TrayPicture::LOCKED),
      Row("the colour-scan library fails: a jam, by e-mail")
          .Meanwhile([](Changes& c) { c.Scanner(L"fail left 1 fail right 0 jam", L"clear"); })
          .Pressing(Press::LEFT_TO_EMAIL, L"clear release left")
          .Told(IDS_NO_IMAGE),
      Row("unplug during an action")
          .Meanwhile([](Changes& c) { c.Then([] { Scanner(L"attach"); }); })
          .Pressing(Press::LEFT_TO_FILE, L"detach")
          .Told(IDS_NO_IMAGE)
          .Shows(TrayPicture::NO_SCANNER),
      Row("the mail library's path stored without its terminator")
          .Meanwhile([](Changes& c) {
            SetMailLibrary(c, TextBytes(L"%SystemRoot%\\system32\\simmapi.dll", false));
          })
          .Pressing(Press::LEFT_TO_EMAIL)
          .Delivered(),
      Row("an oversized mail library path")
          .Meanwhile([](Changes& c) { SetMailLibrary(c, TextBytes(L"C:\\" + kOversized)); })
          .Pressing(Press::LEFT_TO_EMAIL)
          .Told(IDS_NO_MAIL_CLIENT),
      Row("no mail client")
          .Meanwhile([](Changes& c) { c.DeleteValue(HKEY_LOCAL_MACHINE, kMailClients, nullptr); })
          .Pressing(Press::LEFT_TO_EMAIL)
          .Told(IDS_NO_MAIL_CLIENT),
      Row("a mail library missing an export")
          .Meanwhile(
              [](Changes& c) { SetMailLibrary(c, TextBytes(Substitute(L"simmapi_nologoff.dll"))); })
          .Pressing(Press::LEFT_TO_EMAIL)
          .ToldUnder(L""),
      Row("the automation server missing")
          .Meanwhile([](Changes& c) { c.Companion(L"unregister", L"register"); })
          .Pressing(Press::RIGHT)
          .Told(IDS_NOT_INSTALLED),
      Row("the automation server busy")
          .Meanwhile([](Changes& c) { c.Companion(L"busy 1", L"busy 0"); })
          .Pressing(Press::RIGHT),
      Row("a shell restart").Acting(ShellRestart),
      Row("a resume from sleep").Acting(ResumeFromSleep),
      Row("a device that keeps answering 1").Acting(StuckButton),
      Row("ten simultaneous launches").Acting(TenLaunches),
      Row("Exit during the Save-as dialog").Acting(ExitDuringSaveAs),
      Row("Exit during the settings dialog").Acting(ExitDuringSettings),
  };
  AddMapiRows(rows);
  AddOtherArchitectureRows(rows);
  return rows;
}

std::string CaseName(const testing::TestParamInfo<Row>& info) {
  std::string name;
  for (char c : info.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultTable, testing::ValuesIn(Rows()), CaseName);

}  // namespace
}  // namespace e2e
