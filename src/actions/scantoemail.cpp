// The left button's e-mail destination: the card goes into a fixed file in
// the temporary folder, which is attached to a new message in the default
// mail client's compose window through Simple MAPI, in this process or,
// for a client of the other architecture, through the mail helper.
#include <windows.h>

#include <mapi.h>

#include <cwchar>
#include <string>

#include "actions/dotwainscan.h"
#include "framework/cstring.h"
#include "framework/modulepath.h"
#include "framework/msgbox.h"
#include "mail/mailclient.h"
#include "mail/mailhelper.h"
#include "mail/mapisession.h"
#include "resource.h"
#include "settings/localized.h"

namespace {

constexpr wchar_t kTempFileName[] = L"corvante.jpg";

constexpr wchar_t kNoMapiLibrary[] = L"Can't load MAPI dll";
constexpr wchar_t kSendCaption[] = L"E-mail";
constexpr wchar_t kLogoffAfterFailedSendCaption[] = L"email:";
constexpr wchar_t kNoCaption[] = L"";

struct CodeText {
  ULONG code;
  const wchar_t* text;
};

constexpr CodeText kLogonFailures[] = {
    {MAPI_E_FAILURE,
     L"Unspecified error(s) occurred while signing in. A session handle was not returned."},
    {MAPI_E_LOGON_FAILURE,
     L"There was no default sign in, and the user failed to successfully sign in when the "
     L"sign-in dialog box was displayed. A session handle was not returned."},
    {MAPI_E_INSUFFICIENT_MEMORY,
     L"There was insufficient memory to proceed. A session handle was not returned."},
    {MAPI_E_TOO_MANY_SESSIONS,
     L"The user had too many sessions open at once. A session handle was not returned."},
};

constexpr CodeText kSendFailures[] = {
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
    {MAPI_E_TEXT_TOO_LARGE, L"The text in the message was too large to be sent. No mail was sent."},
    {MAPI_E_INVALID_SESSION,
     L"An invalid session handle was used for the session parameter. No mail was sent."},
    {MAPI_E_AMBIGUOUS_RECIPIENT,
     L"A recipient matched several recipient descriptor structures;\nMAPI_DIALOG was not set"},
};

constexpr CodeText kLogoffFailures[] = {
    {MAPI_E_INSUFFICIENT_MEMORY,
     L"There was insufficient memory to proceed. The session was not terminated."},
    {MAPI_E_INVALID_SESSION,
     L"An invalid session handle was used for the lhSession parameter. The session was not "
     L"terminated."},
};

// The table's text for `code`; a code it does not name gets the general text
// with the number. Success and the user's own cancel show nothing.
template <size_t N>
void ShowFailure(const CodeText (&table)[N], ULONG code, HWND owner, const wchar_t* caption) {
  if (code == SUCCESS_SUCCESS || code == MAPI_USER_ABORT) return;
  for (const CodeText& entry : table) {
    if (entry.code == code) {
      AfxMessageBox(owner, entry.text, caption, MB_OK | MB_ICONERROR);
      return;
    }
  }
  const CString text = FormatLocalized(IDS_MAIL_ERROR, std::to_wstring(code).c_str());
  AfxMessageBox(owner, text, caption, MB_OK | MB_ICONERROR);
}

}  // namespace

std::int32_t dotwainscan::ScanToEmail() {
  if (!ColourScanLibraryReady()) {
    TellUser(IDS_NO_SCANNER_SOFTWARE, MB_ICONWARNING, colour_scan_library);
    return 0;
  }
  wchar_t path[kPathLength];
  if (!GetTempFolder(path) || wcslen(path) + wcslen(kTempFileName) >= kPathLength) {
    TellUser(IDS_NO_TEMP_FOLDER, MB_ICONERROR);
    return 0;
  }
  wcscat(path, kTempFileName);
  // The card of an earlier press must never go out with this one.
  DeleteFileW(path);
  if (!ScanCard(path)) {
    TellUser(IDS_NO_IMAGE, MB_ICONWARNING);
    return 0;
  }
  SendMailWithAttachment(path);
  return 0;
}

std::int32_t dotwainscan::GetTempFolder(wchar_t* buffer) {
  // The result counts the characters without the NUL, or the size needed
  // when the buffer is too small.
  const DWORD length = GetTempPathW(kPathLength, buffer);
  if (length == 0 || length >= kPathLength) {
    buffer[0] = L'\0';
    return 0;
  }
  if (buffer[length - 1] != L'\\') {
    if (length + 1 >= kPathLength) {
      buffer[0] = L'\0';
      return 0;
    }
    buffer[length] = L'\\';
    buffer[length + 1] = L'\0';
  }
  return 1;
}

std::int32_t dotwainscan::GetMailClientLibrary(wchar_t* path) {
  return mail::ClientLibrary(mail::RegistryView::OWN, path) ? 1 : 0;
}

// Every way an e-mail press can go wrong, told as the user sees it, whether
// the program or its helper met it.
class dotwainscan::MailUser : public mail::MailTeller {
 public:
  explicit MailUser(HWND owner) : owner_(owner) {}

  void Tell(mail::MailEvent event, ULONG code, const wchar_t* detail) override {
    switch (event) {
      case mail::MAIL_NO_CLIENT:
        return TellUser(IDS_NO_MAIL_CLIENT, MB_ICONERROR);
      case mail::MAIL_NOT_LOADED:
        return TellUser(IDS_MAIL_CLIENT_NOT_LOADED, MB_ICONERROR, detail);
      case mail::MAIL_OTHER_ARCHITECTURE:
        return TellUser(IDS_MAIL_CLIENT_OTHER_ARCHITECTURE, MB_ICONERROR, detail);
      case mail::MAIL_NO_FUNCTIONS:
        AfxMessageBox(owner_, kNoMapiLibrary, kNoCaption, MB_OK);
        return;
      case mail::MAIL_LOGON_FAILED:
        return ShowFailure(kLogonFailures, code, owner_, kNoCaption);
      case mail::MAIL_PATH_NOT_ANSI:
        return TellUser(IDS_PATH_NOT_ANSI, MB_ICONERROR, detail);
      case mail::MAIL_SEND_FAILED:
        return ShowFailure(kSendFailures, code, owner_, kSendCaption);
      case mail::MAIL_LOGOFF_AFTER_FAILED_SEND:
        return ShowFailure(kLogoffFailures, code, owner_, kLogoffAfterFailedSendCaption);
      case mail::MAIL_LOGOFF_FAILED:
        return ShowFailure(kLogoffFailures, code, owner_, kNoCaption);
      case mail::MAIL_HELPER_FAILED:
        return TellUser(IDS_MAIL_HELPER_FAILED, MB_ICONERROR, detail);
      case mail::MAIL_EVENT_END:
        return;
    }
  }

 private:
  HWND owner_;
};

std::int32_t dotwainscan::SendMailWithAttachment(const wchar_t* path) {
  const HWND owner = GetFocus();
  MailUser user(owner);
  wchar_t library[kPathLength];
  switch (mail::FindClient(library)) {
    case mail::Route::IN_PROCESS: {
      const mail::MapiRequest request = {library, path, owner, true, ansi_code_page()};
      return mail::SendThroughLibrary(request, user);
    }
    case mail::Route::HELPER: {
      const std::wstring helper =
          afx::FolderOf(afx::ModuleFileName(nullptr)) + L"\\" + mail::kOtherHelperName;
      return mail::SendThroughHelper(helper.c_str(), path, owner, user);
    }
    case mail::Route::NONE:
      break;
  }
  user.Tell(mail::MAIL_NO_CLIENT, 0, nullptr);
  return 0;
}
