#include "mailstate.h"

#include <cstring>
#include <cwchar>

#include "calllog.h"

namespace mailsim {

namespace {

constexpr uint32_t kMagic = 0x4D41504A;
constexpr simshared::BlockNames kNames = {L"simmail-lock", L"simmail-state", nullptr};

}  // namespace

struct Control::Shared {
  uint32_t magic;
  uint32_t logonResult;
  uint32_t sendResult;
  uint32_t logoffResult;
  uint32_t sessions;
  wchar_t outbox[MAX_PATH];
  simshared::CallLog<CallRecord, kCallLogCapacity> calls;

  void Prepare(bool) {
    if (magic != kMagic) Initialise();
  }

  void Initialise() {
    std::memset(this, 0, sizeof(*this));
    magic = kMagic;
    sendResult = kUserDecides;
  }
};

bool Control::Open() { return state_.Open(kNames); }

void Control::Reset() {
  state_.With([](Shared& s) { s.Initialise(); });
}

void Control::SetLogonResult(uint32_t code) {
  state_.With([code](Shared& s) { s.logonResult = code; });
}

void Control::SetSendResult(uint32_t code) {
  state_.With([code](Shared& s) { s.sendResult = code; });
}

void Control::SetLogoffResult(uint32_t code) {
  state_.With([code](Shared& s) { s.logoffResult = code; });
}

void Control::SetOutbox(const wchar_t* folder) {
  state_.With([folder](Shared& s) {
    std::memset(s.outbox, 0, sizeof(s.outbox));
    if (folder != nullptr) wcsncpy(s.outbox, folder, MAX_PATH - 1);
  });
}

std::wstring Control::Outbox() const {
  std::wstring folder =
      state_.With(std::wstring(), [](const Shared& s) { return std::wstring(s.outbox); });
  if (folder.empty()) {
    wchar_t temp[MAX_PATH + 1] = L"";
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    folder = n > 0 && n <= MAX_PATH ? temp : L".\\";
    folder += L"simmail-outbox";
  }
  if (folder.back() == L'\\') folder.pop_back();
  return folder;
}

std::vector<CallRecord> Control::Calls() const {
  return state_.With(std::vector<CallRecord>(), [](const Shared& s) { return s.calls.After(0); });
}

void Control::ClearCalls() {
  state_.With([](Shared& s) { s.calls.Clear(); });
}

uint32_t Control::LogonResult() const {
  return state_.With(0u, [](const Shared& s) { return s.logonResult; });
}

uint32_t Control::SendResult() const {
  return state_.With(kUserDecides, [](const Shared& s) { return s.sendResult; });
}

uint32_t Control::LogoffResult() const {
  return state_.With(0u, [](const Shared& s) { return s.logoffResult; });
}

uint32_t Control::NewSession() {
  return state_.With(1u, [](Shared& s) { return ++s.sessions; });
}

void Control::Log(const CallRecord& record) {
  state_.With([&record](Shared& s) { s.calls.Append(record); });
}

}  // namespace mailsim
