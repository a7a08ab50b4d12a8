#include "simstate.h"

#include <cstring>
#include <cwchar>

namespace scannersim {

using simshared::ScopedHandle;

namespace {

constexpr uint32_t kMagic = 0x4B445634;  // changes when Shared changes
constexpr size_t kNameCapacity = MAX_PATH + 64;

bool ValidButton(int button) { return button >= 0 && button < kButtonCount; }

// Appends "-<instance>" when KDV310_SIM_INSTANCE is set; fixed buffers so that
// the libraries' first call does not allocate either.
class NameBuilder {
 public:
  NameBuilder(wchar_t* out, size_t capacity) : out_(out), capacity_(capacity) { out_[0] = L'\0'; }
  void Add(const wchar_t* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
      if (used_ + 1 >= capacity_) {
        ok_ = false;
        return;
      }
      out_[used_++] = text[i];
    }
    out_[used_] = L'\0';
  }
  void Add(const wchar_t* text) { Add(text, wcslen(text)); }
  bool ok() const { return ok_; }

 private:
  wchar_t* out_;
  size_t capacity_;
  size_t used_ = 0;
  bool ok_ = true;
};

bool BuildName(wchar_t* out, size_t capacity, const wchar_t* prefix, const wchar_t* base) {
  wchar_t instance[64] = L"";
  if (GetEnvironmentVariableW(kInstanceVariable, instance, 64) >= 64) instance[0] = L'\0';
  for (wchar_t* c = instance; *c != L'\0'; ++c) {
    if (*c == L'\\' || *c == L'/' || *c == L':') *c = L'_';
  }
  NameBuilder name(out, capacity);
  name.Add(prefix);
  if (instance[0] == L'\0') {
    name.Add(base);
    return name.ok();
  }
  // The file name keeps its extension last.
  const wchar_t* dot = wcsrchr(base, L'.');
  name.Add(base, dot != nullptr ? static_cast<size_t>(dot - base) : wcslen(base));
  name.Add(L"-");
  name.Add(instance);
  if (dot != nullptr) name.Add(dot);
  return name.ok();
}

}  // namespace

struct Control::Shared {
  uint32_t magic;
  uint32_t size;
  int32_t attached;
  int32_t jammed;
  int32_t scanning;
  int32_t held[kButtonCount];
  int32_t pressReads[kButtonCount];
  int32_t forced[kButtonCount];
  int32_t forcedValue[kButtonCount];
  int32_t detachedReadValue;
  int32_t timeoutSet;
  int32_t lastTimeout;
  int32_t calibrationShow;
  uint32_t calibrationAutoCloseMs;
  int32_t calibrationOpen;
  int32_t calibrationCloseRequest;
  uint32_t callCount;
  CallRecord calls[kCallLogCapacity];
  wchar_t card[MAX_PATH];
  int32_t scanLanguage;
  uint32_t scanCount;
  ScanRecord scans[kScanLogCapacity];

  void Initialise(bool keepCalibrationOpen) {
    const int32_t open = keepCalibrationOpen ? calibrationOpen : 0;
    std::memset(this, 0, sizeof(*this));
    magic = kMagic;
    size = sizeof(*this);
    detachedReadValue = kDefaultDetachedRead;
    calibrationShow = 1;
    calibrationOpen = open;
  }

  uint32_t Log(int32_t call, int32_t arg1, int32_t arg2, int32_t result) {
    const uint32_t seq = ++callCount;
    calls[(seq - 1) % kCallLogCapacity] = CallRecord{seq, call, arg1, arg2, result};
    return seq;
  }
};

Control::Control() = default;

Control::~Control() {
  if (shared_ != nullptr) UnmapViewOfFile(shared_);
}

bool Control::IsOpen() const { return shared_ != nullptr; }

bool Control::Open() {
  if (shared_ != nullptr) return true;
  wchar_t mutexName[kNameCapacity];
  wchar_t mappingName[kNameCapacity];
  if (!BuildName(mutexName, kNameCapacity, L"", kStateMutexName) ||
      !BuildName(mappingName, kNameCapacity, L"", kStateMappingName)) {
    return false;
  }
  ScopedHandle mutex(CreateMutexW(nullptr, FALSE, mutexName));
  if (mutex.get() == nullptr) return false;

  Lock lock(mutex.get());
  ScopedHandle mapping(OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, mappingName));
  const bool created = mapping.get() == nullptr;
  if (created) {
    wchar_t temp[MAX_PATH + 1];
    wchar_t path[kNameCapacity];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    HANDLE file = INVALID_HANDLE_VALUE;
    if (n > 0 && n <= MAX_PATH && BuildName(path, kNameCapacity, temp, kStateFileName)) {
      file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    // Without a file the state still works, it just ends with the last process.
    ScopedHandle backing(file);
    mapping.reset(
        CreateFileMappingW(backing.get(), nullptr, PAGE_READWRITE, 0, sizeof(Shared), mappingName));
    if (mapping.get() == nullptr) return false;
  }
  void* view = MapViewOfFile(mapping.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(Shared));
  if (view == nullptr) return false;
  Shared* shared = static_cast<Shared*>(view);
  if (shared->magic != kMagic || shared->size != sizeof(Shared)) {
    shared->Initialise(false);
  } else if (created) {
    // Nobody had the state open, so no calibration window can be on screen.
    shared->calibrationOpen = 0;
    shared->calibrationCloseRequest = 0;
  }
  shared_ = shared;
  mapping_.reset(mapping.release());
  mutex_.reset(mutex.release());
  return true;
}

void Control::Reset() {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->Initialise(true);
}

void Control::Attach() {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->attached = 1;
}

void Control::Detach() {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->attached = 0;
  shared_->scanning = 0;
}

bool Control::IsAttached() const {
  if (shared_ == nullptr) return false;
  Lock lock(mutex_.get());
  return shared_->attached != 0;
}

void Control::Press(int button, int reads) {
  if (shared_ == nullptr || !ValidButton(button)) return;
  Lock lock(mutex_.get());
  shared_->pressReads[button] = reads > 0 ? reads : 0;
}

void Control::Hold(int button) {
  if (shared_ == nullptr || !ValidButton(button)) return;
  Lock lock(mutex_.get());
  shared_->held[button] = 1;
}

void Control::Release(int button) {
  if (shared_ == nullptr || !ValidButton(button)) return;
  Lock lock(mutex_.get());
  shared_->held[button] = 0;
  shared_->pressReads[button] = 0;
}

void Control::Jam() {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->jammed = 1;
}

void Control::ClearJam() {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->jammed = 0;
}

bool Control::IsJammed() const {
  if (shared_ == nullptr) return false;
  Lock lock(mutex_.get());
  return shared_->jammed != 0;
}

void Control::ForceRead(int button, short value) {
  if (shared_ == nullptr || (button != kBothButtons && !ValidButton(button))) return;
  Lock lock(mutex_.get());
  for (int b = 0; b < kButtonCount; ++b) {
    if (button == kBothButtons || button == b) {
      shared_->forced[b] = 1;
      shared_->forcedValue[b] = value;
    }
  }
}

void Control::ClearForced() {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  for (int b = 0; b < kButtonCount; ++b) {
    shared_->forced[b] = 0;
    shared_->forcedValue[b] = 0;
  }
}

void Control::SetDetachedReadValue(short value) {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->detachedReadValue = value;
}

void Control::SetCalibrationWindow(bool show, unsigned autoCloseMs) {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->calibrationShow = show ? 1 : 0;
  shared_->calibrationAutoCloseMs = autoCloseMs;
}

void Control::CloseCalibrationWindow() {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  if (shared_->calibrationOpen != 0) shared_->calibrationCloseRequest = 1;
}

bool Control::InsertCard(const wchar_t* imagePath) {
  if (shared_ == nullptr) return false;
  const size_t length = imagePath != nullptr ? wcslen(imagePath) : 0;
  if (length >= MAX_PATH) return false;
  Lock lock(mutex_.get());
  std::memset(shared_->card, 0, sizeof(shared_->card));
  if (length > 0) std::memcpy(shared_->card, imagePath, length * sizeof(wchar_t));
  return true;
}

State Control::GetState() const {
  State s;
  if (shared_ == nullptr) return s;
  Lock lock(mutex_.get());
  s.attached = shared_->attached != 0;
  s.jammed = shared_->jammed != 0;
  s.scanning = shared_->scanning != 0;
  for (int b = 0; b < kButtonCount; ++b) {
    s.buttons[b].held = shared_->held[b] != 0;
    s.buttons[b].pressReadsLeft = shared_->pressReads[b];
    s.buttons[b].forced = shared_->forced[b] != 0;
    s.buttons[b].forcedValue = static_cast<short>(shared_->forcedValue[b]);
  }
  s.detachedReadValue = static_cast<short>(shared_->detachedReadValue);
  s.timeoutSet = shared_->timeoutSet != 0;
  s.lastTimeout = shared_->lastTimeout;
  s.calibrationShow = shared_->calibrationShow != 0;
  s.calibrationAutoCloseMs = shared_->calibrationAutoCloseMs;
  s.calibrationOpen = shared_->calibrationOpen != 0;
  s.callCount = shared_->callCount;
  std::memcpy(s.card, shared_->card, sizeof(s.card));
  return s;
}

std::vector<CallRecord> Control::Calls() const { return CallsSince(0); }

std::vector<CallRecord> Control::CallsSince(uint32_t afterSeq) const {
  std::vector<CallRecord> out;
  if (shared_ == nullptr) return out;
  out.reserve(kCallLogCapacity);
  Lock lock(mutex_.get());
  const uint32_t count = shared_->callCount;
  uint32_t first = count > kCallLogCapacity ? count - kCallLogCapacity + 1 : 1;
  if (afterSeq + 1 > first) first = afterSeq + 1;
  for (uint32_t seq = first; seq <= count && seq != 0; ++seq) {
    out.push_back(shared_->calls[(seq - 1) % kCallLogCapacity]);
  }
  return out;
}

std::vector<ScanRecord> Control::Scans() const {
  std::vector<ScanRecord> out;
  if (shared_ == nullptr) return out;
  Lock lock(mutex_.get());
  const uint32_t count = shared_->callCount;
  const uint32_t first = count > kCallLogCapacity ? count - kCallLogCapacity + 1 : 1;
  for (uint32_t seq = first; seq <= count && seq != 0; ++seq) {
    const CallRecord& call = shared_->calls[(seq - 1) % kCallLogCapacity];
    if (call.call != CALL_COLOR_SCAN) continue;
    const ScanRecord& scan = shared_->scans[call.arg2 % kScanLogCapacity];
    if (scan.seq == seq) out.push_back(scan);
  }
  return out;
}

void Control::ClearCalls() {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->callCount = 0;
  std::memset(shared_->calls, 0, sizeof(shared_->calls));
  std::memset(shared_->scans, 0, sizeof(shared_->scans));
}

uint32_t Control::CallCount() const {
  if (shared_ == nullptr) return 0;
  Lock lock(mutex_.get());
  return shared_->callCount;
}

const wchar_t* Control::CallName(int32_t call) {
  switch (call) {
    case CALL_START_SCAN:
      return L"IO_StartScan";
    case CALL_END_SCAN:
      return L"IO_EndScan";
    case CALL_IS_BUTTON_PRESSED:
      return L"IO_IsButtonPressed";
    case CALL_SET_TIMEOUT:
      return L"IO_SetTimeOut";
    case CALL_FORWARD_STEP_MOTOR:
      return L"IO_ForwardStepMotor";
    case CALL_PROCESS_PAPER_JAM:
      return L"IO_ProcessPaperJam";
    case CALL_DOCALIBRATE_LANG:
      return L"docalibrate_lang";
    case CALL_SETUI_COLORSCAN:
      return L"setui_colorscan";
    case CALL_COLOR_SCAN:
      return L"color_scanW";
    default:
      return L"?";
  }
}

int32_t Control::DeviceStartScan() {
  if (shared_ == nullptr) return 0;
  Lock lock(mutex_.get());
  const int32_t result = (shared_->attached != 0 && shared_->jammed == 0) ? 1 : 0;
  if (result == 1) shared_->scanning = 1;
  shared_->Log(CALL_START_SCAN, 0, 0, result);
  return result;
}

int32_t Control::DeviceEndScan() {
  if (shared_ == nullptr) return 0;
  Lock lock(mutex_.get());
  const int32_t result = shared_->attached != 0 ? 1 : 0;
  shared_->scanning = 0;
  shared_->Log(CALL_END_SCAN, 0, 0, result);
  return result;
}

short Control::DeviceReadButton(short button) {
  if (shared_ == nullptr) return kDefaultDetachedRead;
  Lock lock(mutex_.get());
  Shared& s = *shared_;
  short result = 0;
  if (s.attached == 0) {
    result = static_cast<short>(s.detachedReadValue);
  } else if (ValidButton(button) && s.forced[button] != 0) {
    result = static_cast<short>(s.forcedValue[button]);
  } else if (s.jammed != 0) {
    result = -1;
  } else if (!ValidButton(button)) {
    result = 0;
  } else if (s.held[button] != 0) {
    result = 1;
  } else if (s.pressReads[button] > 0) {
    --s.pressReads[button];
    result = 1;
  }
  s.Log(CALL_IS_BUTTON_PRESSED, button, 0, result);
  return result;
}

int32_t Control::DeviceSetTimeOut(int32_t timeout) {
  if (shared_ == nullptr) return 0;
  Lock lock(mutex_.get());
  shared_->timeoutSet = 1;
  shared_->lastTimeout = timeout;
  shared_->Log(CALL_SET_TIMEOUT, timeout, 0, 1);
  return 1;
}

int32_t Control::DeviceForwardStepMotor(int32_t steps) {
  if (shared_ == nullptr) return 0;
  Lock lock(mutex_.get());
  shared_->Log(CALL_FORWARD_STEP_MOTOR, steps, 0, steps);
  return steps;
}

int32_t Control::DeviceProcessPaperJam() {
  if (shared_ == nullptr) return 0;
  Lock lock(mutex_.get());
  shared_->jammed = 0;
  shared_->Log(CALL_PROCESS_PAPER_JAM, 0, 0, 1);
  return 1;
}

uint32_t Control::DeviceBeginCalibration(int32_t mode, int32_t language, bool* show,
                                         uint32_t* autoCloseMs) {
  if (shared_ == nullptr) {
    *show = false;
    *autoCloseMs = 0;
    return 0;
  }
  Lock lock(mutex_.get());
  *show = shared_->calibrationShow != 0;
  *autoCloseMs = shared_->calibrationAutoCloseMs;
  shared_->calibrationOpen = *show ? 1 : 0;
  shared_->calibrationCloseRequest = 0;
  return shared_->Log(CALL_DOCALIBRATE_LANG, mode, language, kResultPending);
}

void Control::DeviceEndCalibration(uint32_t seq, int32_t result) {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->calibrationOpen = 0;
  shared_->calibrationCloseRequest = 0;
  if (seq == 0) return;
  CallRecord& record = shared_->calls[(seq - 1) % kCallLogCapacity];
  // The log may have been cleared or wrapped while the window was open.
  if (record.seq == seq && record.call == CALL_DOCALIBRATE_LANG) record.result = result;
}

bool Control::DeviceReady() const {
  if (shared_ == nullptr) return false;
  Lock lock(mutex_.get());
  return shared_->attached != 0 && shared_->jammed == 0;
}

bool Control::DeviceTakeCloseRequest() {
  if (shared_ == nullptr) return false;
  Lock lock(mutex_.get());
  const bool requested = shared_->calibrationCloseRequest != 0;
  shared_->calibrationCloseRequest = 0;
  return requested;
}

void Control::DeviceSetScanLanguage(int32_t language) {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  shared_->scanLanguage = language;
  shared_->Log(CALL_SETUI_COLORSCAN, language, 0, 0);
}

bool Control::DeviceCardForScan(wchar_t* card) const {
  card[0] = L'\0';
  if (shared_ == nullptr) return false;
  Lock lock(mutex_.get());
  std::memcpy(card, shared_->card, sizeof(shared_->card));
  card[MAX_PATH - 1] = L'\0';
  return shared_->attached != 0 && shared_->jammed == 0;
}

void Control::DeviceLogScan(const ScanRecord& scan) {
  if (shared_ == nullptr) return;
  Lock lock(mutex_.get());
  // arg2 numbers the scans, so the record is found from its log entry.
  const uint32_t index = shared_->scanCount++;
  ScanRecord& stored = shared_->scans[index % kScanLogCapacity];
  stored = scan;
  stored.language = shared_->scanLanguage;
  stored.seq = shared_->Log(CALL_COLOR_SCAN, scan.ints[1],
                            static_cast<int32_t>(index % kScanLogCapacity), scan.result);
}

}  // namespace scannersim
