#include "mail/mapisession.h"

#include <mapi.h>

#include "framework/unique_handle.h"
#include "mail/mailclient.h"

namespace mail {

namespace {

constexpr DWORD kAnsiPathBytes = MAX_PATH;

template <typename Fn>
Fn MapiFunction(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The one owner of a logged-on session: it logs off exactly once, where Close
// is called or at the end of its scope, before the library it lives in is
// freed (declared after it).
class Session {
 public:
  Session(LPMAPILOGOFF logoff, ULONG_PTR ui) : logoff_(logoff), ui_(ui) {}
  ~Session() { Close(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  ULONG Logon(LPMAPILOGON logon, HWND owner) {
    const ULONG result =
        logon(reinterpret_cast<ULONG_PTR>(owner), nullptr, nullptr, MAPI_LOGON_UI, 0, &handle_);
    open_ = result == SUCCESS_SUCCESS;
    return result;
  }
  LHANDLE get() const { return handle_; }
  // The logoff's result; success when there was nothing to log off.
  ULONG Close() {
    if (!open_) return SUCCESS_SUCCESS;
    open_ = false;
    return logoff_(handle_, ui_, 0, 0);
  }

 private:
  LPMAPILOGOFF logoff_;
  ULONG_PTR ui_;
  LHANDLE handle_ = 0;
  bool open_ = false;
};

}  // namespace

bool ToAnsiPath(const wchar_t* path, char* ansi, UINT codePage) {
  // UTF-8 holds every character, and Windows rejects the lost-character
  // check for it.
  if (codePage == CP_UTF8) {
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, path, -1, ansi, kAnsiPathBytes,
                               nullptr, nullptr) > 0;
  }
  BOOL lost = FALSE;
  const int bytes =
      WideCharToMultiByte(codePage, 0, path, -1, ansi, kAnsiPathBytes, nullptr, &lost);
  return bytes > 0 && !lost;
}

bool AttachmentPath(const wchar_t* path, char* ansi, UINT codePage) {
  if (ToAnsiPath(path, ansi, codePage)) return true;
  wchar_t shortPath[MAX_PATH];
  const DWORD length = GetShortPathNameW(path, shortPath, MAX_PATH);
  return length > 0 && length < MAX_PATH && ToAnsiPath(shortPath, ansi, codePage);
}

std::int32_t SendThroughLibrary(const MapiRequest& request, MailTeller& teller) {
  const ULONG_PTR ui = reinterpret_cast<ULONG_PTR>(request.owner);
  afx::UniqueModule library(LoadLibraryW(request.library));
  if (!library) {
    const DWORD error = GetLastError();
    const WORD machine =
        error == ERROR_BAD_EXE_FORMAT ? LibraryMachine(request.library, RegistryView::OWN) : 0;
    teller.Tell(machine != 0 && machine != kOwnMachine ? MAIL_OTHER_ARCHITECTURE : MAIL_NOT_LOADED,
                0, request.library);
    return 0;
  }

  auto logon = MapiFunction<LPMAPILOGON>(library.get(), "MAPILogon");
  auto sendMail = MapiFunction<LPMAPISENDMAIL>(library.get(), "MAPISendMail");
  auto logoff = MapiFunction<LPMAPILOGOFF>(library.get(), "MAPILogoff");
  if (logon == nullptr || sendMail == nullptr || logoff == nullptr) {
    library.reset();
    teller.Tell(MAIL_NO_FUNCTIONS, 0, nullptr);
    return 0;
  }

  Session session(logoff, ui);
  const ULONG logonResult = session.Logon(logon, request.focusAtLogon ? GetFocus() : request.owner);
  if (logonResult != SUCCESS_SUCCESS) {
    teller.Tell(MAIL_LOGON_FAILED, logonResult, nullptr);
    return 0;
  }

  // With neither form of the path, the client would get a wrong one.
  char ansiPath[kAnsiPathBytes];
  if (!AttachmentPath(request.attachment, ansiPath, request.codePage)) {
    session.Close();
    library.reset();
    teller.Tell(MAIL_PATH_NOT_ANSI, 0, request.attachment);
    return 0;
  }

  char empty[] = "";
  MapiFileDesc attachment = {};
  attachment.nPosition = static_cast<ULONG>(-1);
  attachment.lpszPathName = ansiPath;
  MapiMessage message = {};
  message.lpszSubject = empty;
  message.lpszNoteText = empty;
  message.nFileCount = request.attachment[0] != L'\0' ? 1 : 0;
  message.lpFiles = &attachment;

  const ULONG sendResult = sendMail(session.get(), ui, &message, MAPI_DIALOG, 0);
  if (sendResult != SUCCESS_SUCCESS) {
    teller.Tell(MAIL_SEND_FAILED, sendResult, nullptr);
    const ULONG logoffResult = session.Close();
    if (logoffResult != SUCCESS_SUCCESS) {
      teller.Tell(MAIL_LOGOFF_AFTER_FAILED_SEND, logoffResult, nullptr);
    }
    return 0;
  }
  const ULONG logoffResult = session.Close();
  if (logoffResult != SUCCESS_SUCCESS) {
    teller.Tell(MAIL_LOGOFF_FAILED, logoffResult, nullptr);
    return 0;
  }
  return 1;
}

}  // namespace mail
