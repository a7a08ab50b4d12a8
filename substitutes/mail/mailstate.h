// The simulated mail client's state, shared by its Simple MAPI library (loaded
// and freed by each caller) and the tests: the result codes that logon, send
// and logoff give, the outbox folder, and the log of every call with the
// message it received. Its block of shared memory lasts while any process has
// it open. KDV310_SIM_INSTANCE gives a separate one, as it does for the
// scanner.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sharedstate.h"

namespace mailsim {

// How the client is registered under HKEY_LOCAL_MACHINE\software\clients\mail.
constexpr wchar_t kClientName[] = L"Sim Mail";
constexpr wchar_t kLibraryName[] = L"simmapi.dll";
constexpr wchar_t kComposeTitle[] = L"New Message - Sim Mail";

// A send result of kUserDecides lets the compose window (or, without
// MAPI_DIALOG, the message itself) decide.
constexpr uint32_t kUserDecides = 0xFFFFFFFF;
constexpr uint32_t kCallLogCapacity = 64;
constexpr size_t kTextCapacity = 128;

enum Call : int32_t { CALL_LOGON = 1, CALL_SEND, CALL_LOGOFF };

// What MAPISendMail received. Null pointers are told apart from empty texts.
struct MessageRecord {
  int32_t subjectNull;
  char subject[kTextCapacity];
  int32_t noteNull;
  char note[kTextCapacity];
  int32_t messageTypeNull;
  int32_t dateReceivedNull;
  int32_t conversationIdNull;
  uint32_t flags;
  int32_t originatorNull;
  uint32_t recipCount;
  int32_t recipsNull;
  uint32_t fileCount;
  int32_t filesNull;
  // The first attachment.
  uint32_t fileReserved;
  uint32_t fileFlags;
  uint32_t filePosition;
  int32_t pathNull;
  char path[MAX_PATH];
  int32_t fileNameNull;
  int32_t fileTypeNull;
};

struct CallRecord {
  uint32_t seq;
  int32_t call;
  uint32_t uiParam;  // the window handle's 32 significant bits
  uint32_t flags;
  uint32_t reserved;
  uint32_t session;  // given out (logon) or received
  int32_t profileNull;
  int32_t passwordNull;
  int32_t hasMessage;
  MessageRecord message;
  uint32_t result;
  wchar_t sentFile[MAX_PATH];  // the .eml written, if any
};

class Control {
 public:
  bool Open();

  // Every call succeeds, sends wait for the user, the outbox is the default
  // one, the log is empty.
  void Reset();
  void SetLogonResult(uint32_t code);
  void SetSendResult(uint32_t code);
  void SetLogoffResult(uint32_t code);
  // Where sent messages go; empty: "<temporary folder>\simmail-outbox".
  void SetOutbox(const wchar_t* folder);
  std::wstring Outbox() const;

  std::vector<CallRecord> Calls() const;
  void ClearCalls();

  // What the library does.
  uint32_t LogonResult() const;
  uint32_t SendResult() const;
  uint32_t LogoffResult() const;
  uint32_t NewSession();
  void Log(const CallRecord& record);

 private:
  struct Shared;

  simshared::SharedState<Shared> state_;
};

}  // namespace mailsim
