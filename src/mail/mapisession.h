// One Simple MAPI round with the client's library: load it, log on, hand
// over the message with the card attached in the compose window, log off,
// free it. What goes wrong is told to a `MailTeller` at the moment it
// happens, so that the program shows it there and the helper can report it.
#pragma once

#include <windows.h>

#include <cstdint>

namespace mail {

enum MailEvent : std::uint32_t {
  MAIL_NO_CLIENT = 1,             // no library to load
  MAIL_NOT_LOADED,                // detail: the library that did not load
  MAIL_OTHER_ARCHITECTURE,        // detail: a library this process cannot load
  MAIL_NO_FUNCTIONS,              // the library lacks a Simple MAPI function
  MAIL_LOGON_FAILED,              // code: MAPILogon's result
  MAIL_PATH_NOT_ANSI,             // detail: the card's path
  MAIL_SEND_FAILED,               // code: MAPISendMail's result
  MAIL_LOGOFF_AFTER_FAILED_SEND,  // code: MAPILogoff's result after a failed send
  MAIL_LOGOFF_FAILED,             // code: MAPILogoff's result after the message went
  MAIL_HELPER_FAILED,             // detail: the mail helper, which did not start or report
  MAIL_EVENT_END,
};

class MailTeller {
 public:
  virtual void Tell(MailEvent event, ULONG code, const wchar_t* detail) = 0;

 protected:
  ~MailTeller() = default;
};

struct MapiRequest {
  const wchar_t* library;     // the client's Simple MAPI library
  const wchar_t* attachment;  // the card
  HWND owner;                 // of the mail functions' windows
  // MAPILogon's owner: the window with the focus at that moment, or `owner`.
  bool focusAtLogon;
  UINT codePage;  // of the attachment path handed over
};

// 1 when the message was handed over and the session closed cleanly.
std::int32_t SendThroughLibrary(const MapiRequest& request, MailTeller& teller);

// The ANSI form of `path` in `codePage`, only when every character survives;
// `ansi` holds MAX_PATH bytes.
bool ToAnsiPath(const wchar_t* path, char* ansi, UINT codePage);

// The path the client gets: its ANSI form, or that of its short 8.3 form
// when the code page cannot hold the long one; false when neither can.
bool AttachmentPath(const wchar_t* path, char* ansi, UINT codePage);

}  // namespace mail
