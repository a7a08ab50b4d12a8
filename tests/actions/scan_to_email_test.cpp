#include <windows.h>

#include <mapi.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "actions/actions_fixture.h"
#include "mail/mailclient.h"
#include "mailstate.h"
#include "resource.h"

namespace actions_testing {

namespace {

constexpr wchar_t kClientsKey[] = L"software\\clients\\mail";
constexpr wchar_t kClientKey[] = L"software\\clients\\mail\\Sim Mail";
constexpr wchar_t kDirVariable[] = L"SIMMAIL_DIR";
constexpr wchar_t kLibraryValue[] = L"%SIMMAIL_DIR%\\simmapi.dll";
constexpr wchar_t kComposeTitle[] = L"New Message - Sim Mail";

void SetValue(HKEY root, const wchar_t* key, const wchar_t* name, DWORD type, const void* data,
              DWORD bytes) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(handle, name, 0, type, static_cast<const BYTE*>(data), bytes),
            ERROR_SUCCESS);
  RegCloseKey(handle);
}

void SetText(const wchar_t* key, const wchar_t* name, const std::wstring& text,
             DWORD type = REG_SZ) {
  SetValue(HKEY_LOCAL_MACHINE, key, name, type, text.c_str(),
           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::string ReadBytes(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::string Base64Decode(const std::string& text) {
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (char c : text) {
    int value = -1;
    if (c >= 'A' && c <= 'Z') value = c - 'A';
    if (c >= 'a' && c <= 'z') value = c - 'a' + 26;
    if (c >= '0' && c <= '9') value = c - '0' + 52;
    if (c == '+') value = 62;
    if (c == '/') value = 63;
    if (value < 0) continue;
    buffer = (buffer << 6) | static_cast<unsigned>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  return out;
}

// An uncompressed 24-bit bitmap of one colour.
void WriteGreenBitmap(const std::wstring& path, int width, int height) {
  const int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + stride * height;
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  std::string row(static_cast<size_t>(stride), '\0');
  for (int x = 0; x < width; ++x) row[x * 3 + 1] = static_cast<char>(180);
  std::ofstream out(path.c_str(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info), sizeof(info));
  for (int y = 0; y < height; ++y) out.write(row.data(), stride);
}

class MailTest : public ActionsTest {
 protected:
  void SetUp() override {
    ActionsTest::SetUp();
    ASSERT_TRUE(FreshMailClient(mail, folder));
    saved_client_.resize(MAX_PATH);
    DWORD bytes = MAX_PATH * sizeof(wchar_t);
    had_client_ = RegGetValueW(HKEY_LOCAL_MACHINE, kClientsKey, nullptr, RRF_RT_REG_SZ, nullptr,
                               &saved_client_[0], &bytes) == ERROR_SUCCESS;
    saved_client_.resize(had_client_ ? bytes / sizeof(wchar_t) - 1 : 0);
    SetEnvironmentVariableW(kDirVariable, testing_support::ExeDir().c_str());
    SetText(kClientsKey, nullptr, L"Sim Mail");
    SetText(kClientKey, L"dllpath", kLibraryValue, REG_EXPAND_SZ);
    attachment = TempFolder() + L"corvante.jpg";
  }
  void TearDown() override {
    testing_support::DeleteKeyTree(HKEY_LOCAL_MACHINE, kClientKey);
    if (had_client_) {
      SetText(kClientsKey, nullptr, saved_client_);
    } else {
      RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kClientsKey, nullptr);
    }
    SetEnvironmentVariableW(kDirVariable, nullptr);
    ActionsTest::TearDown();
  }

  std::string MailCalls() const { return actions_testing::MailCalls(mail); }
  // A file to attach that exists.
  std::wstring MakeAttachment() {
    const std::wstring path = InFolder(L"attach.jpg");
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "card", 4, &written, nullptr);
    CloseHandle(file);
    return path;
  }
  // Sends `path` while a user answers every message box; the boxes seen.
  std::vector<SeenBox> Send(const std::wstring& path, int expectedBoxes, std::int32_t* result) {
    User user([&](User& u) {
      for (int i = 0; i < expectedBoxes; ++i) u.AnswerMessageBox();
    });
    *result = actions.SendMailWithAttachment(path.c_str());
    user.Done();
    EXPECT_TRUE(user.problems.empty());
    EXPECT_TRUE(user.unexpected.empty()) << "a window nobody expected came up";
    return user.boxes;
  }
  static bool Loaded(const wchar_t* name) { return GetModuleHandleW(name) != nullptr; }

  mutable mailsim::Control mail;
  std::wstring attachment;

 private:
  // No client of the other architecture answers instead.
  MailClientRegistration other_view_{MailClientRegistration::kOtherView};
  std::wstring saved_client_;
  bool had_client_ = false;
};

struct CodeText {
  ULONG code;
  const wchar_t* text;  // null: no message
};

}  // namespace

TEST_F(MailTest, TheDefaultClientsLibraryIsFoundAndExpanded) {
  wchar_t path[MAX_PATH] = L"";
  ASSERT_EQ(actions.GetMailClientLibrary(path), 1);
  EXPECT_EQ(std::wstring(path), testing_support::ExeDir() + L"\\simmapi.dll");
}

TEST_F(MailTest, WithoutAUsableClientNothingIsSentAndTheUserIsTold) {
  struct Setup {
    const char* what;
    std::function<void()> apply;
    UINT told;  // with the library's path for a library that does not load
  };
  const std::wstring exe = testing_support::ExeDir();
  const std::wstring notALibrary = InFolder(L"notalibrary.dll");
  { std::ofstream(notALibrary.c_str()) << "not a library"; }
  // The other architecture's build of a library: its header names the machine.
  // Where Windows keeps a view for the other architecture, the helper takes
  // such a client (mail_helper_test.cpp).
  const std::wstring otherMachine = InFolder(L"othermachine.dll");
  WriteImageHeader(otherMachine, mail::kOtherMachine);
  const std::wstring longName(300, L'x');
  const Setup setups[] = {
      {"no default client", [] { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kClientsKey, nullptr); },
       IDS_NO_MAIL_CLIENT},
      {"a default that names none", [] { SetText(kClientsKey, nullptr, L""); }, IDS_NO_MAIL_CLIENT},
      {"no key for the client", [] { SetText(kClientsKey, nullptr, L"Nobody's Mail"); },
       IDS_NO_MAIL_CLIENT},
      {"no dllpath", [] { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kClientKey, L"dllpath"); },
       IDS_NO_MAIL_CLIENT},
      // Longer than the 260 characters read: not cut to a shorter name.
      {"client name too long", [&] { SetText(kClientsKey, nullptr, longName); },
       IDS_NO_MAIL_CLIENT},
      {"dllpath too long", [&] { SetText(kClientKey, L"dllpath", longName); }, IDS_NO_MAIL_CLIENT},
      {"expansion too long",
       [&] {
         SetEnvironmentVariableW(kDirVariable, (exe + L"\\" + std::wstring(250, L'y')).c_str());
       },
       IDS_NO_MAIL_CLIENT},
      {"library missing", [] { SetText(kClientKey, L"dllpath", L"C:\\nowhere\\simmapi.dll"); },
       IDS_MAIL_CLIENT_NOT_LOADED},
      {"not a library", [&] { SetText(kClientKey, L"dllpath", notALibrary); },
       IDS_MAIL_CLIENT_NOT_LOADED},
      {"the other architecture's library", [&] { SetText(kClientKey, L"dllpath", otherMachine); },
       IDS_MAIL_CLIENT_OTHER_ARCHITECTURE},
  };
  for (const Setup& setup : setups) {
    SCOPED_TRACE(setup.what);
    if (setup.told == IDS_MAIL_CLIENT_OTHER_ARCHITECTURE && mail::HasOtherView()) continue;
    SetText(kClientsKey, nullptr, L"Sim Mail");
    SetText(kClientKey, L"dllpath", kLibraryValue, REG_EXPAND_SZ);
    SetEnvironmentVariableW(kDirVariable, exe.c_str());
    setup.apply();
    wchar_t library[MAX_PATH] = L"";
    actions.GetMailClientLibrary(library);
    std::int32_t result = -1;
    const auto boxes = Send(MakeAttachment(), 1, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(MailCalls(), "");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Localized(setup.told, library));
    EXPECT_EQ(boxes[0].icon, LoadIconW(nullptr, IDI_ERROR));
  }
}

TEST_F(MailTest, UnterminatedRegistryTextsAreTakenWhole) {
  // Written without their terminating NULs, as another program may.
  const std::wstring name = L"Sim Mail";
  SetValue(HKEY_LOCAL_MACHINE, kClientsKey, nullptr, REG_SZ, name.data(),
           static_cast<DWORD>(name.size() * sizeof(wchar_t)));
  const std::wstring library = kLibraryValue;
  SetValue(HKEY_LOCAL_MACHINE, kClientKey, L"dllpath", REG_EXPAND_SZ, library.data(),
           static_cast<DWORD>(library.size() * sizeof(wchar_t)));
  wchar_t path[MAX_PATH];
  ASSERT_EQ(actions.GetMailClientLibrary(path), 1);
  EXPECT_EQ(std::wstring(path), testing_support::ExeDir() + L"\\simmapi.dll");
  // 260 characters without a NUL do not fit a buffer of 260 with one.
  const std::wstring full(MAX_PATH, L'z');
  SetValue(HKEY_LOCAL_MACHINE, kClientKey, L"dllpath", REG_SZ, full.data(),
           static_cast<DWORD>(full.size() * sizeof(wchar_t)));
  EXPECT_EQ(actions.GetMailClientLibrary(path), 0);
}

TEST_F(MailTest, ALibraryWithoutAllThreeFunctionsIsRefusedBeforeAnyLogon) {
  SetText(kClientKey, L"dllpath", L"%SIMMAIL_DIR%\\simmapi_nologoff.dll", REG_EXPAND_SZ);
  std::int32_t result = -1;
  const auto boxes = Send(MakeAttachment(), 1, &result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(MailCalls(), "");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"Can't load MAPI dll");
  EXPECT_EQ(boxes[0].caption, L"");
  EXPECT_EQ(boxes[0].icon, nullptr);
  EXPECT_FALSE(Loaded(L"simmapi_nologoff.dll"));
}

TEST_F(MailTest, LogonFailuresShowTheirTextAndEndTheSend) {
  const CodeText cases[] = {
      {MAPI_USER_ABORT, nullptr},
      {MAPI_E_FAILURE,
       L"Unspecified error(s) occurred while signing in. A session handle was not returned."},
      {MAPI_E_LOGON_FAILURE,
       L"There was no default sign in, and the user failed to successfully sign in when the "
       L"sign-in dialog box was displayed. A session handle was not returned."},
      {MAPI_E_INSUFFICIENT_MEMORY,
       L"There was insufficient memory to proceed. A session handle was not returned."},
      {MAPI_E_TOO_MANY_SESSIONS,
       L"The user had too many sessions open at once. A session handle was not returned."},
      {MAPI_E_DISK_FULL, L"The e-mail program reported error 4."},
  };
  for (const CodeText& c : cases) {
    SCOPED_TRACE(testing::Message() << "logon code " << c.code);
    mail.ClearCalls();
    mail.SetLogonResult(c.code);
    std::int32_t result = -1;
    const auto boxes = Send(MakeAttachment(), c.text ? 1 : 0, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(MailCalls(), "MAPILogon=" + std::to_string(c.code));
    EXPECT_FALSE(Loaded(L"simmapi.dll"));
    if (c.text == nullptr) {
      EXPECT_TRUE(boxes.empty());
      continue;
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, c.text);
    EXPECT_EQ(boxes[0].caption, L"");
    EXPECT_EQ(boxes[0].icon, LoadIconW(nullptr, IDI_ERROR));
  }
}

TEST_F(MailTest, SendFailuresShowTheirTextAndStillLogOff) {
  const CodeText cases[] = {
      {MAPI_USER_ABORT, nullptr},
      {MAPI_E_FAILURE, L"Unspecified error(s) occurred while sending the mail. No mail was sent."},
      {MAPI_E_LOGON_FAILURE,
       L"There was no default sign-in, and the user failed to successfully sign in when the "
       L"sign-in dialog box was displayed. No mail was sent."},
      {MAPI_E_DISK_FULL, L"The disk is full"},
      {MAPI_E_INSUFFICIENT_MEMORY, L"There was insufficient memory to proceed. No mail was sent."},
      {MAPI_E_TOO_MANY_SESSIONS, L"The user had too many sessions open at once. No mail was sent."},
      {MAPI_E_TOO_MANY_FILES, L"There were too many file attachments. No mail was sent."},
      {MAPI_E_TOO_MANY_RECIPIENTS,
       L"There were too many message recipients specified. No mail was sent."},
      {MAPI_E_ATTACHMENT_NOT_FOUND, L"The specified attachment was not found. No mail was sent."},
      {MAPI_E_UNKNOWN_RECIPIENT,
       L"The recipient does not appear in the address list. No mail was sent"},
      {MAPI_E_BAD_RECIPTYPE, L"The type of a recipient was not MAPI_TO, MAPI_CC, or MAPI_BCC."},
      {MAPI_E_NOT_SUPPORTED, L"The e-mail program reported error 26."},
      {MAPI_E_TEXT_TOO_LARGE,
       L"The text in the message was too large to be sent. No mail was sent."},
      {MAPI_E_INVALID_SESSION,
       L"An invalid session handle was used for the session parameter. No mail was sent."},
      {MAPI_E_AMBIGUOUS_RECIPIENT,
       L"A recipient matched several recipient descriptor structures;\nMAPI_DIALOG was not set"},
  };
  for (const CodeText& c : cases) {
    SCOPED_TRACE(testing::Message() << "send code " << c.code);
    mail.ClearCalls();
    mail.SetSendResult(c.code);
    std::int32_t result = -1;
    const auto boxes = Send(MakeAttachment(), c.text ? 1 : 0, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(MailCalls(), "MAPILogon=0 MAPISendMail=" + std::to_string(c.code) + " MAPILogoff=0");
    EXPECT_FALSE(Loaded(L"simmapi.dll"));
    if (c.text == nullptr) {
      EXPECT_TRUE(boxes.empty());
      continue;
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, c.text);
    EXPECT_EQ(boxes[0].caption, L"E-mail");
    EXPECT_EQ(boxes[0].icon, LoadIconW(nullptr, IDI_ERROR));
  }
}

TEST_F(MailTest, LogoffFailuresAreShownWithTheCaptionOfWhatWentBefore) {
  const std::wstring memory =
      L"There was insufficient memory to proceed. The session was not terminated.";
  const std::wstring session =
      L"An invalid session handle was used for the lhSession parameter. The session was not "
      L"terminated.";
  struct Case {
    ULONG send;
    ULONG logoff;
    std::int32_t result;
    std::vector<std::pair<std::wstring, std::wstring>> boxes;  // caption, text
  };
  const Case cases[] = {
      {SUCCESS_SUCCESS, SUCCESS_SUCCESS, 1, {}},
      {SUCCESS_SUCCESS, MAPI_E_INSUFFICIENT_MEMORY, 0, {{L"", memory}}},
      {SUCCESS_SUCCESS, MAPI_E_INVALID_SESSION, 0, {{L"", session}}},
      {SUCCESS_SUCCESS, MAPI_E_FAILURE, 0, {{L"", L"The e-mail program reported error 2."}}},
      {MAPI_USER_ABORT, MAPI_E_INVALID_SESSION, 0, {{L"email:", session}}},
      {MAPI_USER_ABORT, MAPI_E_FAILURE, 0, {{L"email:", L"The e-mail program reported error 2."}}},
      {MAPI_E_DISK_FULL,
       MAPI_E_INSUFFICIENT_MEMORY,
       0,
       {{L"E-mail", L"The disk is full"}, {L"email:", memory}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "send " << c.send << ", logoff " << c.logoff);
    mail.ClearCalls();
    mail.SetSendResult(c.send);
    mail.SetLogoffResult(c.logoff);
    std::int32_t result = -1;
    const auto boxes = Send(MakeAttachment(), static_cast<int>(c.boxes.size()), &result);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(MailCalls(), "MAPILogon=0 MAPISendMail=" + std::to_string(c.send) +
                               " MAPILogoff=" + std::to_string(c.logoff));
    ASSERT_EQ(boxes.size(), c.boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
      EXPECT_EQ(boxes[i].caption, c.boxes[i].first);
      EXPECT_EQ(boxes[i].text, c.boxes[i].second);
      EXPECT_EQ(boxes[i].icon, LoadIconW(nullptr, IDI_ERROR));
    }
    EXPECT_FALSE(Loaded(L"simmapi.dll"));
  }
}

TEST_F(MailTest, TheClientGetsTheAttachmentAloneAndTheUserSendsIt) {
  AppSettings().button_left_action = 102;
  std::wstring attached;
  User user([&](User& u) {
    HWND compose = u.WaitForCaption(kComposeTitle);
    if (compose == nullptr) return;
    attached = desktop::ItemText(compose, 1003);
    desktop::SetItemText(compose, 1001, L"dana@example.com");
    desktop::SetItemText(compose, 1002, L"Card");
    desktop::Press(compose, IDOK);
  });
  EXPECT_EQ(actions.DoLeftButtonAction(), 0);
  user.Done();
  EXPECT_TRUE(user.problems.empty());
  EXPECT_TRUE(user.unexpected.empty());
  EXPECT_EQ(attached.rfind(L"corvante.jpg (", 0), 0u) << attached.c_str();
  EXPECT_EQ(MailCalls(), "MAPILogon=0 MAPISendMail=0 MAPILogoff=0");
  EXPECT_EQ(ScanCalls(), "setui_colorscan(1) color_scanW");

  const auto calls = mail.Calls();
  ASSERT_EQ(calls.size(), 3u);
  const auto& logon = calls[0];
  EXPECT_EQ(logon.flags, static_cast<uint32_t>(MAPI_LOGON_UI));
  EXPECT_TRUE(logon.profileNull && logon.passwordNull);
  EXPECT_EQ(logon.reserved, 0u);
  const auto& send = calls[1];
  EXPECT_EQ(send.session, logon.session);
  EXPECT_NE(send.session, 0u);
  EXPECT_EQ(send.flags, static_cast<uint32_t>(MAPI_DIALOG));
  EXPECT_EQ(send.reserved, 0u);
  ASSERT_TRUE(send.hasMessage);
  const auto& m = send.message;
  EXPECT_FALSE(m.subjectNull);
  EXPECT_STREQ(m.subject, "");
  EXPECT_FALSE(m.noteNull);
  EXPECT_STREQ(m.note, "");
  EXPECT_TRUE(m.messageTypeNull && m.dateReceivedNull && m.conversationIdNull);
  EXPECT_EQ(m.flags, 0u);
  EXPECT_TRUE(m.originatorNull);
  EXPECT_EQ(m.recipCount, 0u);
  EXPECT_TRUE(m.recipsNull);
  EXPECT_EQ(m.fileCount, 1u);
  EXPECT_EQ(m.filePosition, 0xFFFFFFFFu);
  EXPECT_EQ(m.fileReserved, 0u);
  EXPECT_EQ(m.fileFlags, 0u);
  EXPECT_FALSE(m.pathNull);
  EXPECT_EQ(std::string(m.path), std::string(attachment.begin(), attachment.end()));
  EXPECT_TRUE(m.fileNameNull && m.fileTypeNull);
  const auto& logoff = calls[2];
  EXPECT_EQ(logoff.session, logon.session);
  EXPECT_EQ(logoff.flags, 0u);
  EXPECT_EQ(logoff.uiParam, send.uiParam);

  // What the recipient gets: the scanned card, base64 in a MIME message.
  const std::string eml = ReadBytes(send.sentFile);
  EXPECT_NE(eml.find("To: dana@example.com\r\n"), std::string::npos);
  EXPECT_NE(eml.find("MIME-Version: 1.0\r\n"), std::string::npos);
  const std::string header = "filename=\"corvante.jpg\"\r\n\r\n";
  const size_t start = eml.find(header);
  ASSERT_NE(start, std::string::npos);
  const size_t end = eml.find("--", start + header.size());
  ASSERT_NE(end, std::string::npos);
  const std::string content = ReadBytes(attachment);
  EXPECT_GT(content.size(), 1000u);
  EXPECT_TRUE(Base64Decode(eml.substr(start + header.size(), end - start - header.size())) ==
              content);
}

TEST_F(MailTest, DiscardingTheMessageShowsNothingAndLogsOff) {
  User user([&](User& u) {
    HWND compose = u.WaitForCaption(kComposeTitle);
    if (compose != nullptr) desktop::Press(compose, IDCANCEL);
  });
  EXPECT_EQ(actions.SendMailWithAttachment(MakeAttachment().c_str()), 0);
  user.Done();
  EXPECT_TRUE(user.problems.empty());
  EXPECT_TRUE(user.unexpected.empty());
  EXPECT_EQ(MailCalls(), "MAPILogon=0 MAPISendMail=1 MAPILogoff=0");
}

TEST_F(MailTest, AFailedScanSendsNoEarlierCardAndTellsTheUser) {
  const std::pair<const char*, void (scannersim::Control::*)()> failures[] = {
      {"jammed", &scannersim::Control::Jam},
      {"unplugged", &scannersim::Control::Detach},
  };
  for (const auto& failure : failures) {
    SCOPED_TRACE(failure.first);
    sim.Reset();
    sim.Attach();
    { std::ofstream(attachment.c_str(), std::ios::binary) << "an earlier card"; }
    (sim.*failure.second)();
    mail.ClearCalls();
    User user([](User& u) { u.AnswerMessageBox(); });
    EXPECT_EQ(actions.ScanToEmail(), 0);
    user.Done();
    EXPECT_TRUE(user.unexpected.empty()) << "no compose window";
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].text, Localized(IDS_NO_IMAGE));
    EXPECT_EQ(MailCalls(), "");
    EXPECT_FALSE(Exists(attachment)) << "the earlier card is gone";
  }
}

TEST_F(MailTest, TwoEmailScansOverwriteOneTemporaryFile) {
  mail.SetSendResult(MAPI_USER_ABORT);
  const std::wstring picture = InFolder(L"green-card.bmp");
  WriteGreenBitmap(picture, 350, 200);
  ASSERT_TRUE(sim.InsertCard(picture.c_str()));
  EXPECT_EQ(actions.ScanToEmail(), 0);
  const std::string first = ReadBytes(attachment);
  ASSERT_TRUE(sim.InsertCard(nullptr));
  EXPECT_EQ(actions.ScanToEmail(), 0);
  const std::string second = ReadBytes(attachment);
  const auto calls = mail.Calls();
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_STREQ(calls[1].message.path, calls[4].message.path);
  EXPECT_FALSE(first.empty());
  EXPECT_FALSE(second.empty());
  EXPECT_NE(first, second) << "the second scan replaced the first image";
  const auto scans = Scans();
  ASSERT_EQ(scans.size(), 2u);
  EXPECT_EQ(std::wstring(scans[0].card), picture);
  EXPECT_EQ(std::wstring(scans[0].path), attachment);
  EXPECT_EQ(std::wstring(scans[1].path), attachment);
}

TEST_F(MailTest, ATemporaryFolderWithoutRoomScansAndSendsNothing) {
  wchar_t tmp[MAX_PATH + 1];
  wchar_t temp[MAX_PATH + 1];
  const DWORD tmpLength = GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH + 1);
  const DWORD tempLength = GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH + 1);
  // A folder that fits, but not with the file name; and one too long itself.
  const std::wstring base = L"C:\\";
  for (const size_t length : {250u, 300u}) {
    SCOPED_TRACE(length);
    const std::wstring folder = base + std::wstring(length - base.size(), L't');
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
    wchar_t buffer[MAX_PATH];
    const std::int32_t found = actions.GetTempFolder(buffer);
    EXPECT_EQ(found, length < MAX_PATH ? 1 : 0);
    if (!found) {
      EXPECT_STREQ(buffer, L"");
    }
    User user([](User& u) { u.AnswerMessageBox(); });
    EXPECT_EQ(actions.ScanToEmail(), 0);
    user.Done();
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].text, Localized(IDS_NO_TEMP_FOLDER));
  }
  SetEnvironmentVariableW(L"TMP", tmpLength > 0 && tmpLength <= MAX_PATH ? tmp : nullptr);
  SetEnvironmentVariableW(L"TEMP", tempLength > 0 && tempLength <= MAX_PATH ? temp : nullptr);
  EXPECT_EQ(ScanCalls(), "");
  EXPECT_EQ(MailCalls(), "");
}

TEST_F(MailTest, APathTheCodePageCannotHoldGoesByItsShortForm) {
  // A Greek name: outside the single-byte Western code pages.
  const std::wstring dir = InFolder(L"\x039A\x03AC\x03C1\x03C4\x03B1");
  CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring path = dir + L"\\card.jpg";
  { std::ofstream(path.c_str(), std::ios::binary) << "card"; }
  BOOL lost = FALSE;
  char probe[MAX_PATH];
  if (WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, probe, MAX_PATH, nullptr, &lost) > 0 &&
      !lost) {
    GTEST_SKIP() << "the code page " << GetACP() << " holds the whole path";
  }
  mail.SetSendResult(MAPI_USER_ABORT);
  std::int32_t result = -1;
  Send(path, 0, &result);
  auto calls = mail.Calls();
  ASSERT_EQ(calls.size(), 3u);
  const std::string sent = calls[1].message.path;
  EXPECT_EQ(sent.find('?'), std::string::npos) << sent;
  // The short form names the same file.
  wchar_t longForm[MAX_PATH];
  const std::wstring sentWide(sent.begin(), sent.end());
  ASSERT_GT(GetLongPathNameW(sentWide.c_str(), longForm, MAX_PATH), 0u) << sent;
  EXPECT_EQ(_wcsicmp(longForm, path.c_str()), 0);

  // Without a short form either (the file is not there), nothing is sent
  // and the user learns why.
  mail.ClearCalls();
  const std::wstring missing = dir + L"\\\x03C7\x03B1\x03C1\x03C4\x03AF.jpg";
  const auto boxes = Send(missing, 1, &result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(MailCalls(), "MAPILogon=0 MAPILogoff=0");
  EXPECT_FALSE(Loaded(L"simmapi.dll"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, Localized(IDS_PATH_NOT_ANSI, missing));
}

TEST_F(MailTest, OnAUtf8SystemThePathGoesWholeInUtf8) {
  const auto saved = dotwainscan::ansi_code_page;
  dotwainscan::ansi_code_page = [] { return static_cast<UINT>(CP_UTF8); };
  const std::wstring dir = InFolder(L"\x039A\x03AC\x03C1\x03C4\x03B1");
  CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring path = dir + L"\\card.jpg";
  { std::ofstream(path.c_str(), std::ios::binary) << "card"; }
  mail.SetSendResult(MAPI_USER_ABORT);
  std::int32_t result = -1;
  Send(path, 0, &result);
  dotwainscan::ansi_code_page = saved;
  const auto calls = mail.Calls();
  ASSERT_EQ(calls.size(), 3u);
  char utf8[MAX_PATH];
  ASSERT_GT(WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, utf8, MAX_PATH, nullptr, nullptr), 0);
  EXPECT_STREQ(calls[1].message.path, utf8) << "not the short form";
}

}  // namespace actions_testing
