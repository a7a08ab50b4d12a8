#include "mailstate.h"

#include <cstring>
#include <cwchar>

namespace mailsim {

namespace {

constexpr uint32_t kMagic = 0x4D41504A;

std::wstring Name(const wchar_t* base) {
  std::wstring name = base;
  wchar_t instance[64] = L"";
  const DWORD n = GetEnvironmentVariableW(L"KDV310_SIM_INSTANCE", instance, 64);
  if (n > 0 && n < 64) {
    for (wchar_t* c = instance; *c != L'\0'; ++c) {
      if (*c == L'\\' || *c == L'/' || *c == L':') *c = L'_';
    }
    name += L"-";
    name += instance;
  }
  return name;
}

}  // namespace

struct Control::Shared {
  uint32_t magic;
  uint32_t logonResult;
  uint32_t sendResult;
  uint32_t logoffResult;
  uint32_t sessions;
  wchar_t outbox[MAX_PATH];
  uint32_t callCount;
  CallRecord calls[kCallLogCapacity];

  void Initialise() {
    std::memset(this, 0, sizeof(*this));
    magic = kMagic;
    sendResult = kUserDecides;
  }
};

Control::Control() = default;

Control::~Control() {
  if (shared_ != nullptr) UnmapViewOfFile(shared_);
}

bool Control::Open() {
  if (shared_ != nullptr) return true;
  mutex_.reset(CreateMutexW(nullptr, FALSE, Name(L"simmail-lock").c_str()));
  if (mutex_.get() == nullptr) return false;
  Lock lock(mutex_.get());
  mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(Shared), Name(L"simmail-state").c_str()));
  if (mapping_.get() == nullptr) return false;
  void* view = MapViewOfFile(mapping_.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(Shared));
  if (view == nullptr) return false;
  shared_ = static_cast<Shared*>(view);
  if (shared_->magic != kMagic) shared_->Initialise();
  return true;
}

void Control::Reset() {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->Initialise();
}

void Control::SetLogonResult(uint32_t code) {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->logonResult = code;
}

void Control::SetSendResult(uint32_t code) {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->sendResult = code;
}

void Control::SetLogoffResult(uint32_t code) {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->logoffResult = code;
}

void Control::SetOutbox(const wchar_t* folder) {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  std::memset(shared_->outbox, 0, sizeof(shared_->outbox));
  if (folder != nullptr) wcsncpy(shared_->outbox, folder, MAX_PATH - 1);
}

std::wstring Control::Outbox() const {
  std::wstring folder;
  if (shared_ != nullptr) {
    Lock lock(mutex_.get());
    folder = shared_->outbox;
  }
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
  std::vector<CallRecord> out;
  if (shared_ == nullptr) return out;
  Lock lock(mutex_.get());
  const uint32_t count = shared_->callCount;
  const uint32_t first = count > kCallLogCapacity ? count - kCallLogCapacity + 1 : 1;
  for (uint32_t seq = first; seq <= count && seq != 0; ++seq) {
    out.push_back(shared_->calls[(seq - 1) % kCallLogCapacity]);
  }
  return out;
}

void Control::ClearCalls() {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->callCount = 0;
  std::memset(shared_->calls, 0, sizeof(shared_->calls));
}

uint32_t Control::LogonResult() const {
  if (shared_ == nullptr) return 0;
  Lock lock(mutex_.get());
  return shared_->logonResult;
}

uint32_t Control::SendResult() const {
  if (shared_ == nullptr) return kUserDecides;
  Lock lock(mutex_.get());
  return shared_->sendResult;
}

uint32_t Control::LogoffResult() const {
  if (shared_ == nullptr) return 0;
  Lock lock(mutex_.get());
  return shared_->logoffResult;
}

uint32_t Control::NewSession() {
  if (shared_ == nullptr) return 1;
  Lock lock(mutex_.get());
  return ++shared_->sessions;
}

void Control::Log(const CallRecord& record) {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  const uint32_t seq = ++shared_->callCount;
  CallRecord& stored = shared_->calls[(seq - 1) % kCallLogCapacity];
  stored = record;
  stored.seq = seq;
}

}  // namespace mailsim
