// The mail helper: its command line, the registry views, and a message that
// goes through it as it goes in process.
#include <windows.h>

#include <mapi.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "actions/actions_fixture.h"
#include "composeids.h"
#include "mail/mailclient.h"
#include "mail/mailhelper.h"
#include "mail/mapisession.h"
#include "mailstate.h"

namespace actions_testing {

namespace {

using mail::MailEvent;

struct Told {
  MailEvent event;
  ULONG code;
  std::wstring detail;
  bool operator==(const Told& o) const {
    return event == o.event && code == o.code && detail == o.detail;
  }
};

std::ostream& operator<<(std::ostream& out, const Told& t) {
  return out << "event " << t.event << " code " << t.code << " detail "
             << std::string(t.detail.begin(), t.detail.end());
}

class Recorder : public mail::MailTeller {
 public:
  void Tell(MailEvent event, ULONG code, const wchar_t* detail) override {
    told.push_back({event, code, detail ? detail : L""});
  }
  std::vector<Told> told;
};

DWORD RunToEnd(const std::wstring& commandLine) {
  const afx::UniqueHandleT process = desktop::Start(commandLine);
  if (!process) return GetLastError() | 0x80000000u;
  WaitForSingleObject(process.get(), 15000);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

const std::wstring kOwnHelper = testing_support::ExeDir() + L"\\" + mail::kOwnHelperName;
const std::wstring kOtherHelper = testing_support::ExeDir() + L"\\" + mail::kOtherHelperName;

// The compose window of the mail client in the helper's process, worked from
// a thread of its own while the test's thread waits in the helper's loop.
class Desk {
 public:
  enum Act { SEND, KILL };
  Desk(Act act, HWND program) : thread_([this, act, program] { Run(act, program); }) {}
  ~Desk() { thread_.join(); }

  std::atomic<DWORD> composePid{0};
  std::atomic<bool> programAnswered{false};

 private:
  void Run(Act act, HWND program) {
    // Visible once the dialog has filled its fields.
    const HWND compose = desktop::WaitForWindow(
        [] {
          const HWND found = FindWindowW(nullptr, mailsim::kComposeTitle);
          return found != nullptr && IsWindowVisible(found) ? found : nullptr;
        },
        User::kDeadlineMs, 50);
    if (compose == nullptr) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(compose, &pid);
    composePid = pid;
    DWORD_PTR answer = 0;
    programAnswered =
        SendMessageTimeoutW(program, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer) != 0;
    if (act == KILL) {
      HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
      TerminateProcess(process, 9);
      CloseHandle(process);
      return;
    }
    desktop::SetItemText(compose, IDC_TO, L"dana@example.com");
    PostMessageW(compose, WM_COMMAND, MAKEWPARAM(IDC_SEND, BN_CLICKED), 0);
  }
  std::thread thread_;
};

class MailHelperTest : public ActionsTest {
 protected:
  void SetUp() override {
    ActionsTest::SetUp();
    ASSERT_TRUE(FreshMailClient(mail, folder));
    attachment = InFolder(L"attach.jpg");
    std::ofstream(attachment.c_str(), std::ios::binary) << "card";
    library = testing_support::ExeDir() + L"\\simmapi.dll";
    own.Set(library);
    program = CreateWindowExW(0, L"STATIC", L"program", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              nullptr, nullptr);
    saved_allow_ = mail::allow_set_foreground_window;
    allowed_ = 0;
    mail::allow_set_foreground_window = RecordAllowed;
  }
  void TearDown() override {
    mail::allow_set_foreground_window = saved_allow_;
    DestroyWindow(program);
    ActionsTest::TearDown();
  }
  std::string MailCalls() const { return actions_testing::MailCalls(mail); }

  MailClientRegistration own{0};
  MailClientRegistration other{MailClientRegistration::kOtherView};
  mutable mailsim::Control mail;
  std::wstring attachment;
  std::wstring library;
  HWND program = nullptr;
  static inline std::atomic<DWORD> allowed_{0};
  static BOOL WINAPI RecordAllowed(DWORD pid) {
    allowed_ = pid;
    return TRUE;
  }

 private:
  BOOL(WINAPI* saved_allow_)(DWORD) = nullptr;
};

}  // namespace

TEST_F(MailHelperTest, TheHelperTakesOnlyTheCommandLineTheProgramGives) {
  const HWND owner = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x1234));
  const std::wstring line = mail::HelperCommandLine(L"C:\\bm\\helper.exe", owner, L"C:\\t\\c.jpg");
  mail::HelperArguments parsed;
  ASSERT_TRUE(mail::ParseHelperCommandLine(line.c_str(), &parsed)) << line.c_str();
  EXPECT_EQ(parsed.owner, owner);
  EXPECT_STREQ(parsed.attachment, L"C:\\t\\c.jpg");
  for (const wchar_t* refused : {
           L"h.exe /owner 1 /attach C:\\c.jpg /library C:\\evil.dll",
           L"h.exe /library C:\\evil.dll /owner 1 /attach C:\\c.jpg",
           L"h.exe /owner 1 /dll C:\\evil.dll",
           L"h.exe /owner 0x10 /attach C:\\c.jpg",
           L"h.exe /owner 4294967296 /attach C:\\c.jpg",
           L"h.exe /owner 1 /attach \"\"",
           L"h.exe",
           L"h.exe /owner 1 /attach \"C:\\t\\\"",
           L"h.exe /owner 1 /attach C:\\a\"b.jpg",
       }) {
    SCOPED_TRACE(testing::Message() << std::wstring(refused).c_str());
    EXPECT_FALSE(mail::ParseHelperCommandLine(refused, &parsed));
  }
  EXPECT_EQ(mail::HelperCommandLine(L"h.exe", owner, L"C:\\a\"b.jpg"), L"");
  EXPECT_EQ(mail::HelperCommandLine(L"h.exe", owner, L"C:\\t\\"), L"");

  // The helper itself: a library named on its command line is never loaded.
  EXPECT_EQ(RunToEnd(L"\"" + kOwnHelper + L"\" /owner 1 /attach \"" + attachment +
                     L"\" /library \"" + library + L"\""),
            mail::kHelperRefused);
  EXPECT_EQ(MailCalls(), "");
}

TEST_F(MailHelperTest, TheClientComesFromTheOwnViewFirstThenTheOther) {
  if (!mail::HasOtherView()) GTEST_SKIP() << "32-bit Windows has one registry view";
  const std::wstring mine = InFolder(L"own-machine.dll");
  const std::wstring theirs = InFolder(L"other-machine.dll");
  WriteImageHeader(mine, mail::kOwnMachine);
  WriteImageHeader(theirs, mail::kOtherMachine);
  struct Row {
    const wchar_t* own;  // empty: no client in that view
    const wchar_t* other;
    mail::Route route;
    const wchar_t* library;
  };
  const Row rows[] = {
      {mine.c_str(), L"", mail::Route::IN_PROCESS, mine.c_str()},
      {mine.c_str(), theirs.c_str(), mail::Route::IN_PROCESS, mine.c_str()},
      {L"", theirs.c_str(), mail::Route::HELPER, theirs.c_str()},
      {theirs.c_str(), L"", mail::Route::HELPER, theirs.c_str()},
      {theirs.c_str(), mine.c_str(), mail::Route::IN_PROCESS, mine.c_str()},
      {L"", L"", mail::Route::NONE, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "own view " << std::wstring(row.own).c_str()
                                    << ", other view " << std::wstring(row.other).c_str());
    own.Set(row.own);
    other.Set(row.other);
    wchar_t found[MAX_PATH];
    EXPECT_EQ(mail::FindClient(found), row.route);
    EXPECT_STREQ(found, row.library);
  }
  if (sizeof(void*) == 8) {
    // A 32-bit client's "system32" is SysWOW64.
    wchar_t wow64[MAX_PATH];
    ASSERT_GT(GetSystemWow64DirectoryW(wow64, MAX_PATH), 0u);
    const std::wstring file = std::wstring(wow64) + L"\\bm-test-client.dll";
    WriteImageHeader(file, mail::kOtherMachine);
    own.Set(L"");
    other.Set(L"%SystemRoot%\\system32\\bm-test-client.dll");
    wchar_t found[MAX_PATH];
    EXPECT_EQ(mail::FindClient(found), mail::Route::HELPER);
    DeleteFileW(file.c_str());
  }
}

TEST_F(MailHelperTest, ThroughTheHelperTheUserSendsTheCardAsInProcess) {
  Recorder told;
  std::int32_t result = -1;
  {
    Desk desk(Desk::SEND, program);
    result = mail::SendThroughHelper(kOwnHelper.c_str(), attachment.c_str(), program, told);
    EXPECT_NE(desk.composePid.load(), 0u) << "no compose window came up";
    EXPECT_NE(desk.composePid.load(), GetCurrentProcessId());
    EXPECT_EQ(allowed_.load(), desk.composePid.load()) << "the helper may not come forward";
    EXPECT_TRUE(desk.programAnswered.load()) << "the program's window did not answer meanwhile";
  }
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(told.told.empty());
  ASSERT_EQ(MailCalls(), "MAPILogon=0 MAPISendMail=0 MAPILogoff=0");
  const auto calls = mail.Calls();
  for (const auto& call : calls) EXPECT_EQ(call.uiParam, HandleToULong(program));
  EXPECT_EQ(calls[1].flags, static_cast<uint32_t>(MAPI_DIALOG));
  EXPECT_STREQ(calls[1].message.path, std::string(attachment.begin(), attachment.end()).c_str());
  std::ifstream eml(calls[1].sentFile);
  const std::string text((std::istreambuf_iterator<char>(eml)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("filename=\"attach.jpg\""), std::string::npos);
}

TEST_F(MailHelperTest, EveryStepTellsThroughTheHelperWhatItTellsInProcess) {
  struct Row {
    const char* what;
    ULONG logon, send, logoff;
    const wchar_t* library;  // null: simmapi.dll
  };
  const std::wstring missing = InFolder(L"gone.dll");
  const std::wstring noLogoff = testing_support::ExeDir() + L"\\simmapi_nologoff.dll";
  const Row rows[] = {
      {"logon fails", MAPI_E_FAILURE, 0, 0, nullptr},
      {"send fails", 0, MAPI_E_ATTACHMENT_NOT_FOUND, 0, nullptr},
      {"send and logoff fail", 0, MAPI_USER_ABORT, MAPI_E_INSUFFICIENT_MEMORY, nullptr},
      {"logoff fails", 0, SUCCESS_SUCCESS, MAPI_E_INVALID_SESSION, nullptr},
      {"a library without logoff", 0, 0, 0, noLogoff.c_str()},
      {"a library that is not there", 0, 0, 0, missing.c_str()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::wstring client = row.library ? row.library : library;
    own.Set(client);
    Recorder inProcess;
    Recorder helper;
    std::int32_t results[2];
    for (Recorder* recorder : {&inProcess, &helper}) {
      mail.Reset();
      mail.SetOutbox((folder + L"\\outbox").c_str());
      mail.SetLogonResult(row.logon);
      mail.SetSendResult(row.send);
      mail.SetLogoffResult(row.logoff);
      const mail::MapiRequest request = {client.c_str(), attachment.c_str(), program, false,
                                         GetACP()};
      results[recorder == &helper] =
          recorder == &helper
              ? mail::SendThroughHelper(kOwnHelper.c_str(), attachment.c_str(), program, *recorder)
              : mail::SendThroughLibrary(request, *recorder);
    }
    EXPECT_FALSE(inProcess.told.empty());
    EXPECT_EQ(helper.told, inProcess.told);
    EXPECT_EQ(results[1], results[0]);
  }
}

TEST_F(MailHelperTest, AHelperThatCannotReportIsToldAndNothingIsSent) {
  const std::wstring broken = InFolder(L"broken.exe");
  std::ofstream(broken.c_str()) << "not a program";
  struct Row {
    const char* what;
    std::wstring helper;
    bool kill;
  };
  const Row rows[] = {
      {"missing", InFolder(L"nowhere.exe"), false},
      {"not a program", broken, false},
      {"killed while its compose window is open", kOwnHelper, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    mail.Reset();
    Recorder told;
    std::int32_t result = -1;
    if (row.kill) {
      Desk desk(Desk::KILL, program);
      result = mail::SendThroughHelper(row.helper.c_str(), attachment.c_str(), program, told);
      EXPECT_NE(desk.composePid.load(), 0u);
    } else {
      result = mail::SendThroughHelper(row.helper.c_str(), attachment.c_str(), program, told);
    }
    EXPECT_EQ(result, 0);
    ASSERT_EQ(told.told.size(), 1u);
    EXPECT_EQ(told.told[0].event, mail::MAIL_HELPER_FAILED);
    EXPECT_EQ(told.told[0].detail, row.helper);
    for (const auto& call : mail.Calls()) EXPECT_NE(call.call, mailsim::CALL_SEND);
  }
}

TEST_F(MailHelperTest, AClientOfTheOtherArchitectureGetsTheCardThroughTheOtherHelper) {
  if (!mail::HasOtherView()) GTEST_SKIP() << "32-bit Windows has one registry view";
  if (RunToEnd(L"\"" + kOtherHelper + L"\"") != mail::kHelperRefused) {
    GTEST_SKIP() << "this host does not run the other architecture's programs";
  }
  own.Set(L"");
  other.Set(testing_support::ExeDir() + L"\\other\\simmapi.dll");
  std::int32_t result = -1;
  {
    Desk desk(Desk::SEND, program);
    User user;  // no message box may come up
    result = actions.SendMailWithAttachment(attachment.c_str());
    user.Done();
    EXPECT_TRUE(user.boxes.empty());
    EXPECT_EQ(allowed_.load(), desk.composePid.load());
  }
  EXPECT_EQ(result, 1);
  EXPECT_EQ(MailCalls(), "MAPILogon=0 MAPISendMail=0 MAPILogoff=0");
}

}  // namespace actions_testing
