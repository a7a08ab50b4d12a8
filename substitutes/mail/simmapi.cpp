// The simulated mail client's Simple MAPI library. Logon and logoff give the
// codes set in the shared state; MAPISendMail shows a compose window with the
// attachments (MAPI_DIALOG), and Send writes the message into the outbox as
// an .eml file. Every call is recorded with what it received.
#include <windows.h>

#include <mapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "composeids.h"
#include "framework/unique_handle.h"
#include "mailstate.h"
#include "message.h"
#include "text.h"

namespace {

HINSTANCE g_module = nullptr;

mailsim::Control* State() { return simshared::ProcessControl<mailsim::Control>(); }

// What every call records; uiParam keeps the window handle's 32 significant bits.
mailsim::CallRecord NewRecord(mailsim::Call call, ULONG_PTR uiParam, FLAGS flags, ULONG reserved,
                              LHANDLE session) {
  mailsim::CallRecord record = {};
  record.call = call;
  record.uiParam = static_cast<uint32_t>(uiParam);
  record.flags = flags;
  record.reserved = reserved;
  record.session = static_cast<uint32_t>(session);
  return record;
}

void CopyText(char* target, size_t capacity, const char* text, int32_t* wasNull) {
  *wasNull = text == nullptr;
  target[0] = '\0';
  if (text != nullptr) {
    std::strncpy(target, text, capacity - 1);
    target[capacity - 1] = '\0';
  }
}

void RecordMessage(const MapiMessage* message, mailsim::CallRecord* record) {
  record->hasMessage = message != nullptr;
  if (message == nullptr) return;
  mailsim::MessageRecord& m = record->message;
  CopyText(m.subject, sizeof(m.subject), message->lpszSubject, &m.subjectNull);
  CopyText(m.note, sizeof(m.note), message->lpszNoteText, &m.noteNull);
  m.messageTypeNull = message->lpszMessageType == nullptr;
  m.dateReceivedNull = message->lpszDateReceived == nullptr;
  m.conversationIdNull = message->lpszConversationID == nullptr;
  m.flags = message->flFlags;
  m.originatorNull = message->lpOriginator == nullptr;
  m.recipCount = message->nRecipCount;
  m.recipsNull = message->lpRecips == nullptr;
  m.fileCount = message->nFileCount;
  m.filesNull = message->lpFiles == nullptr;
  m.pathNull = 1;
  m.fileNameNull = 1;
  m.fileTypeNull = 1;
  if (message->nFileCount > 0 && message->lpFiles != nullptr) {
    const MapiFileDesc& file = message->lpFiles[0];
    m.fileReserved = file.ulReserved;
    m.fileFlags = file.flFlags;
    m.filePosition = file.nPosition;
    CopyText(m.path, sizeof(m.path), file.lpszPathName, &m.pathNull);
    m.fileNameNull = file.lpszFileName == nullptr;
    m.fileTypeNull = file.lpFileType == nullptr;
  }
}

std::wstring FromAnsi(const char* text) {
  return text != nullptr ? simshared::ToWide(text, CP_ACP) : std::wstring();
}

bool ReadWholeFile(const std::wstring& path, std::string* content) {
  afx::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart >= (1LL << 30)) return false;
  content->resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  return content->empty() || (ReadFile(file.get(), &(*content)[0],
                                       static_cast<DWORD>(content->size()), &read, nullptr) &&
                              read == content->size());
}

std::wstring BaseName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The attachments of `message`; MAPI_E_ATTACHMENT_NOT_FOUND when one cannot be read.
ULONG LoadAttachments(const MapiMessage& message, mailsim::Message* out) {
  for (ULONG i = 0; i < message.nFileCount; ++i) {
    if (message.lpFiles == nullptr) return MAPI_E_ATTACHMENT_NOT_FOUND;
    const MapiFileDesc& file = message.lpFiles[i];
    const std::wstring path = FromAnsi(file.lpszPathName);
    mailsim::Attachment attachment;
    if (path.empty() || !ReadWholeFile(path, &attachment.content)) {
      return MAPI_E_ATTACHMENT_NOT_FOUND;
    }
    attachment.name = file.lpszFileName != nullptr ? FromAnsi(file.lpszFileName) : BaseName(path);
    out->attachments.push_back(std::move(attachment));
  }
  return SUCCESS_SUCCESS;
}

std::wstring WindowText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  const int length = GetWindowTextLengthW(control);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(control, &text[0], length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

INT_PTR CALLBACK ComposeProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* message = reinterpret_cast<mailsim::Message*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      message = reinterpret_cast<mailsim::Message*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      SetDlgItemTextW(dialog, IDC_TO, message->to.c_str());
      SetDlgItemTextW(dialog, IDC_SUBJECT, message->subject.c_str());
      SetDlgItemTextW(dialog, IDC_BODY, message->body.c_str());
      std::wstring list;
      for (const mailsim::Attachment& attachment : message->attachments) {
        if (!list.empty()) list += L"\r\n";
        list += attachment.name + L" (" + std::to_wstring(attachment.content.size()) + L" bytes)";
      }
      SetDlgItemTextW(dialog, IDC_ATTACHMENTS, list.c_str());
      SetForegroundWindow(dialog);
      SetFocus(GetDlgItem(dialog, IDC_TO));
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_SEND && message != nullptr) {
        if (WindowText(dialog, IDC_TO).empty()) {
          MessageBoxW(dialog, L"Enter at least one recipient.", mailsim::kComposeTitle,
                      MB_OK | MB_ICONINFORMATION);
          SetFocus(GetDlgItem(dialog, IDC_TO));
          return TRUE;
        }
        message->to = WindowText(dialog, IDC_TO);
        message->subject = WindowText(dialog, IDC_SUBJECT);
        message->body = WindowText(dialog, IDC_BODY);
        EndDialog(dialog, IDC_SEND);
        return TRUE;
      }
      if (LOWORD(wParam) == IDC_DISCARD) {
        EndDialog(dialog, IDC_DISCARD);
        return TRUE;
      }
      break;
    case WM_CLOSE:
      EndDialog(dialog, IDC_DISCARD);
      return TRUE;
  }
  return FALSE;
}

bool WriteOutbox(const mailsim::Message& message, uint32_t number, std::wstring* written) {
  const std::wstring folder = State() != nullptr ? State()->Outbox() : std::wstring(L".");
  CreateDirectoryW(folder.c_str(), nullptr);
  SYSTEMTIME now;
  GetSystemTime(&now);
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char date[64];
  std::snprintf(date, sizeof(date), "%s, %02u %s %04u %02u:%02u:%02u +0000",
                kDays[now.wDayOfWeek % 7], now.wDay, kMonths[(now.wMonth + 11) % 12], now.wYear,
                now.wHour, now.wMinute, now.wSecond);
  char boundary[64];
  std::snprintf(boundary, sizeof(boundary), "----=_SimMail_%08lX_%u", GetTickCount(), number);
  const std::string eml = mailsim::FormatEml(message, date, boundary);

  wchar_t name[96];
  std::swprintf(name, 96, L"\\message-%04u%02u%02u-%02u%02u%02u-%u.eml", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond, number);
  *written = folder + name;
  afx::UniqueFile file(CreateFileW(written->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD count = 0;
  return WriteFile(file.get(), eml.data(), static_cast<DWORD>(eml.size()), &count, nullptr) &&
         count == eml.size();
}

ULONG Send(HWND owner, const MapiMessage* message, FLAGS flags, mailsim::CallRecord* record) {
  if (message == nullptr) return MAPI_E_FAILURE;
  mailsim::Message mail;
  mail.subject = FromAnsi(message->lpszSubject);
  mail.body = FromAnsi(message->lpszNoteText);
  for (ULONG i = 0; i < message->nRecipCount && message->lpRecips != nullptr; ++i) {
    const MapiRecipDesc& recip = message->lpRecips[i];
    if (!mail.to.empty()) mail.to += L", ";
    mail.to += FromAnsi(recip.lpszAddress != nullptr ? recip.lpszAddress : recip.lpszName);
  }
  const ULONG loaded = LoadAttachments(*message, &mail);
  if (loaded != SUCCESS_SUCCESS) return loaded;
  if (flags & MAPI_DIALOG) {
    const INT_PTR answer = DialogBoxParamW(g_module, MAKEINTRESOURCEW(IDD_COMPOSE), owner,
                                           ComposeProc, reinterpret_cast<LPARAM>(&mail));
    if (answer != IDC_SEND) return answer == -1 ? MAPI_E_FAILURE : MAPI_USER_ABORT;
  }
  if (mail.to.empty()) return MAPI_E_UNKNOWN_RECIPIENT;
  std::wstring written;
  const uint32_t number = State() != nullptr ? State()->NewSession() : 0;
  if (!WriteOutbox(mail, number, &written)) return MAPI_E_DISK_FULL;
  wcsncpy(record->sentFile, written.c_str(), MAX_PATH - 1);
  return SUCCESS_SUCCESS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" {

ULONG WINAPI MAPILogon(ULONG_PTR ulUIParam, LPSTR lpszProfileName, LPSTR lpszPassword,
                       FLAGS flFlags, ULONG ulReserved, LPLHANDLE lplhSession) {
  mailsim::CallRecord record = NewRecord(mailsim::CALL_LOGON, ulUIParam, flFlags, ulReserved, 0);
  record.profileNull = lpszProfileName == nullptr;
  record.passwordNull = lpszPassword == nullptr;
  mailsim::Control* state = State();
  record.result = state != nullptr ? state->LogonResult() : SUCCESS_SUCCESS;
  if (record.result == SUCCESS_SUCCESS) {
    record.session = state != nullptr ? state->NewSession() : 1;
    if (lplhSession != nullptr) *lplhSession = record.session;
  }
  if (state != nullptr) state->Log(record);
  return record.result;
}

ULONG WINAPI MAPISendMail(LHANDLE lhSession, ULONG_PTR ulUIParam, lpMapiMessage lpMessage,
                          FLAGS flFlags, ULONG ulReserved) {
  mailsim::CallRecord record =
      NewRecord(mailsim::CALL_SEND, ulUIParam, flFlags, ulReserved, lhSession);
  RecordMessage(lpMessage, &record);
  mailsim::Control* state = State();
  const uint32_t forced = state != nullptr ? state->SendResult() : mailsim::kUserDecides;
  record.result = forced != mailsim::kUserDecides
                      ? forced
                      : Send(reinterpret_cast<HWND>(ulUIParam), lpMessage, flFlags, &record);
  if (state != nullptr) state->Log(record);
  return record.result;
}

ULONG WINAPI MAPILogoff(LHANDLE lhSession, ULONG_PTR ulUIParam, FLAGS flFlags, ULONG ulReserved) {
  mailsim::CallRecord record =
      NewRecord(mailsim::CALL_LOGOFF, ulUIParam, flFlags, ulReserved, lhSession);
  mailsim::Control* state = State();
  record.result = state != nullptr ? state->LogoffResult() : SUCCESS_SUCCESS;
  if (state != nullptr) state->Log(record);
  return record.result;
}

}  // extern "C"
