// The left button's e-mail destination: the card goes into a fixed file in
// the temporary folder, which is attached to a new message in the default
// mail client's compose window through Simple MAPI.
#include <windows.h>

#include <mapi.h>

#include <cwchar>
#include <string>

#include "actions/dotwainscan.h"
#include "framework/cstring.h"
#include "framework/msgbox.h"
#include "framework/unique_handle.h"
#include "resource.h"
#include "settings/localized.h"

namespace {

constexpr wchar_t kTempFileName[] = L"corvante.jpg";
constexpr wchar_t kMailClientsKey[] = L"software\\clients\\mail";
constexpr wchar_t kDllPathValue[] = L"dllpath";
constexpr DWORD kAnsiPathBytes = MAX_PATH;

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
  CString format;
  LoadLocalizedString(format, IDS_MAIL_ERROR);
  CString text;
  text.Format(format, std::to_wstring(code).c_str());
  AfxMessageBox(owner, text, caption, MB_OK | MB_ICONERROR);
}

// A registry value of any type as text, terminated; false when it is missing
// or does not fit in `capacity` characters with its terminator.
bool ReadText(HKEY key, const wchar_t* name, wchar_t* text, DWORD capacity) {
  DWORD bytes = capacity * sizeof(wchar_t);
  if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &bytes) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD length = bytes / sizeof(wchar_t);
  if (length > 0 && text[length - 1] == L'\0') --length;
  if (length >= capacity) return false;
  text[length] = L'\0';
  return true;
}

// The machine a library file was built for, from its PE header; 0 when the
// file is not a PE image.
WORD ImageMachine(const wchar_t* path) {
  afx::UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  if (!file) return 0;
  IMAGE_DOS_HEADER dos = {};
  DWORD read = 0;
  if (!ReadFile(file.get(), &dos, sizeof(dos), &read, nullptr) || read != sizeof(dos) ||
      dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0) {
    return 0;
  }
  struct {
    DWORD signature;
    IMAGE_FILE_HEADER header;
  } nt = {};
  if (SetFilePointer(file.get(), dos.e_lfanew, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !ReadFile(file.get(), &nt, sizeof(nt), &read, nullptr) || read != sizeof(nt) ||
      nt.signature != IMAGE_NT_SIGNATURE) {
    return 0;
  }
  return nt.header.Machine;
}

constexpr WORD kOwnMachine =
    sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;

template <typename Fn>
Fn MapiFunction(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

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

std::int32_t dotwainscan::ScanToEmail() {
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
  wchar_t client[kPathLength];
  {
    afx::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMailClientsKey, 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS) {
      return 0;
    }
    if (!ReadText(key.get(), nullptr, client, kPathLength) || client[0] == L'\0') return 0;
  }
  wchar_t clientKey[kPathLength + sizeof(kMailClientsKey) / sizeof(wchar_t)];
  wcscpy(clientKey, kMailClientsKey);
  wcscat(clientKey, L"\\");
  wcscat(clientKey, client);
  afx::UniqueRegKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, clientKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return 0;
  }
  wchar_t library[kPathLength];
  if (!ReadText(key.get(), kDllPathValue, library, kPathLength)) return 0;
  // The result counts the terminating NUL.
  const DWORD expanded = ExpandEnvironmentStringsW(library, path, kPathLength);
  if (expanded == 0 || expanded > kPathLength) {
    path[0] = L'\0';
    return 0;
  }
  return 1;
}

std::int32_t dotwainscan::SendMailWithAttachment(const wchar_t* path) {
  HWND owner = GetFocus();
  const ULONG_PTR ui = reinterpret_cast<ULONG_PTR>(owner);
  wchar_t libraryPath[kPathLength];
  if (!GetMailClientLibrary(libraryPath)) {
    TellUser(IDS_NO_MAIL_CLIENT, MB_ICONERROR);
    return 0;
  }
  afx::UniqueModule library(LoadLibraryW(libraryPath));
  if (!library) {
    const DWORD error = GetLastError();
    const WORD machine = error == ERROR_BAD_EXE_FORMAT ? ImageMachine(libraryPath) : 0;
    TellUser(machine != 0 && machine != kOwnMachine ? IDS_MAIL_CLIENT_OTHER_ARCHITECTURE
                                                    : IDS_MAIL_CLIENT_NOT_LOADED,
             MB_ICONERROR, libraryPath);
    return 0;
  }

  auto logon = MapiFunction<LPMAPILOGON>(library.get(), "MAPILogon");
  auto sendMail = MapiFunction<LPMAPISENDMAIL>(library.get(), "MAPISendMail");
  auto logoff = MapiFunction<LPMAPILOGOFF>(library.get(), "MAPILogoff");
  if (logon == nullptr || sendMail == nullptr || logoff == nullptr) {
    library.reset();
    AfxMessageBox(owner, kNoMapiLibrary, kNoCaption, MB_OK);
    return 0;
  }

  LHANDLE session = 0;
  const ULONG logonResult =
      logon(reinterpret_cast<ULONG_PTR>(GetFocus()), nullptr, nullptr, MAPI_LOGON_UI, 0, &session);
  if (logonResult != SUCCESS_SUCCESS) {
    ShowFailure(kLogonFailures, logonResult, owner, kNoCaption);
    return 0;
  }

  // A path that the ANSI code page cannot hold whole goes by its short form;
  // with neither, the client would get a wrong path.
  const UINT codePage = ansi_code_page();
  char ansiPath[kAnsiPathBytes];
  if (!ToAnsiPath(path, ansiPath, codePage)) {
    wchar_t shortPath[kPathLength];
    const DWORD length = GetShortPathNameW(path, shortPath, kPathLength);
    if (length == 0 || length >= kPathLength || !ToAnsiPath(shortPath, ansiPath, codePage)) {
      logoff(session, ui, 0, 0);
      library.reset();
      TellUser(IDS_PATH_NOT_ANSI, MB_ICONERROR, path);
      return 0;
    }
  }

  char empty[] = "";
  MapiFileDesc attachment = {};
  attachment.nPosition = static_cast<ULONG>(-1);
  attachment.lpszPathName = ansiPath;
  MapiMessage message = {};
  message.lpszSubject = empty;
  message.lpszNoteText = empty;
  message.nFileCount = path[0] != L'\0' ? 1 : 0;
  message.lpFiles = &attachment;

  const ULONG sendResult = sendMail(session, ui, &message, MAPI_DIALOG, 0);
  if (sendResult != SUCCESS_SUCCESS) {
    ShowFailure(kSendFailures, sendResult, owner, kSendCaption);
    ShowFailure(kLogoffFailures, logoff(session, ui, 0, 0), owner, kLogoffAfterFailedSendCaption);
    return 0;
  }
  const ULONG logoffResult = logoff(session, ui, 0, 0);
  if (logoffResult != SUCCESS_SUCCESS) {
    ShowFailure(kLogoffFailures, logoffResult, owner, kNoCaption);
    return 0;
  }
  return 1;
}
