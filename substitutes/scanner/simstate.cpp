#include "simstate.h"

#include <cstring>
#include <cwchar>

#include "calllog.h"

namespace scannersim {

namespace {

constexpr uint32_t kMagic = 0x4B445634;  // changes when Shared changes
constexpr simshared::BlockNames kNames = {L"kdv310-simulator-lock", L"kdv310-simulator-state",
                                          L"kdv310-simulator-state.bin"};

bool ValidButton(int button) { return button >= 0 && button < kButtonCount; }

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
  simshared::CallLog<CallRecord, kCallLogCapacity> calls;
  wchar_t card[MAX_PATH];
  int32_t scanLanguage;
  uint32_t scanCount;
  ScanRecord scans[kScanLogCapacity];

  void Prepare(bool created) {
    if (magic != kMagic || size != sizeof(*this)) {
      Initialise(false);
    } else if (created) {
      // Nobody had the state open, so no calibration window can be on screen.
      calibrationOpen = 0;
      calibrationCloseRequest = 0;
    }
  }

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
    return calls.Append(CallRecord{0, call, arg1, arg2, result});
  }
};

bool Control::Open() { return state_.Open(kNames); }

Control* Sim() { return simshared::ProcessControl<Control>(); }

bool Control::IsOpen() const { return state_.IsOpen(); }

void Control::Reset() {
  state_.With([](Shared& s) { s.Initialise(true); });
}

void Control::Attach() {
  state_.With([](Shared& s) { s.attached = 1; });
}

void Control::Detach() {
  state_.With([](Shared& s) {
    s.attached = 0;
    s.scanning = 0;
  });
}

bool Control::IsAttached() const {
  return state_.With(false, [](const Shared& s) { return s.attached != 0; });
}

void Control::Press(int button, int reads) {
  if (!ValidButton(button)) return;
  state_.With([button, reads](Shared& s) { s.pressReads[button] = reads > 0 ? reads : 0; });
}

void Control::Hold(int button) {
  if (!ValidButton(button)) return;
  state_.With([button](Shared& s) { s.held[button] = 1; });
}

void Control::Release(int button) {
  if (!ValidButton(button)) return;
  state_.With([button](Shared& s) {
    s.held[button] = 0;
    s.pressReads[button] = 0;
  });
}

void Control::Jam() {
  state_.With([](Shared& s) { s.jammed = 1; });
}

void Control::ClearJam() {
  state_.With([](Shared& s) { s.jammed = 0; });
}

bool Control::IsJammed() const {
  return state_.With(false, [](const Shared& s) { return s.jammed != 0; });
}

void Control::ForceRead(int button, short value) {
  if (button != kBothButtons && !ValidButton(button)) return;
  state_.With([button, value](Shared& s) {
    for (int b = 0; b < kButtonCount; ++b) {
      if (button == kBothButtons || button == b) {
        s.forced[b] = 1;
        s.forcedValue[b] = value;
      }
    }
  });
}

void Control::ClearForced() {
  state_.With([](Shared& s) {
    for (int b = 0; b < kButtonCount; ++b) {
      s.forced[b] = 0;
      s.forcedValue[b] = 0;
    }
  });
}

void Control::SetDetachedReadValue(short value) {
  state_.With([value](Shared& s) { s.detachedReadValue = value; });
}

void Control::SetCalibrationWindow(bool show, unsigned autoCloseMs) {
  state_.With([show, autoCloseMs](Shared& s) {
    s.calibrationShow = show ? 1 : 0;
    s.calibrationAutoCloseMs = autoCloseMs;
  });
}

void Control::CloseCalibrationWindow() {
  state_.With([](Shared& s) {
    if (s.calibrationOpen != 0) s.calibrationCloseRequest = 1;
  });
}

bool Control::InsertCard(const wchar_t* imagePath) {
  const size_t length = imagePath != nullptr ? wcslen(imagePath) : 0;
  if (length >= MAX_PATH) return false;
  return state_.With(false, [imagePath, length](Shared& s) {
    std::memset(s.card, 0, sizeof(s.card));
    if (length > 0) std::memcpy(s.card, imagePath, length * sizeof(wchar_t));
    return true;
  });
}

State Control::GetState() const {
  return state_.With(State(), [](const Shared& shared) {
    State s;
    s.attached = shared.attached != 0;
    s.jammed = shared.jammed != 0;
    s.scanning = shared.scanning != 0;
    for (int b = 0; b < kButtonCount; ++b) {
      s.buttons[b].held = shared.held[b] != 0;
      s.buttons[b].pressReadsLeft = shared.pressReads[b];
      s.buttons[b].forced = shared.forced[b] != 0;
      s.buttons[b].forcedValue = static_cast<short>(shared.forcedValue[b]);
    }
    s.detachedReadValue = static_cast<short>(shared.detachedReadValue);
    s.timeoutSet = shared.timeoutSet != 0;
    s.lastTimeout = shared.lastTimeout;
    s.calibrationShow = shared.calibrationShow != 0;
    s.calibrationAutoCloseMs = shared.calibrationAutoCloseMs;
    s.calibrationOpen = shared.calibrationOpen != 0;
    s.callCount = shared.calls.count;
    std::memcpy(s.card, shared.card, sizeof(s.card));
    return s;
  });
}

std::vector<CallRecord> Control::Calls() const { return CallsSince(0); }

std::vector<CallRecord> Control::CallsSince(uint32_t afterSeq) const {
  return state_.With(std::vector<CallRecord>(),
                     [afterSeq](const Shared& s) { return s.calls.After(afterSeq); });
}

std::vector<ScanRecord> Control::Scans() const {
  return state_.With(std::vector<ScanRecord>(), [](const Shared& s) {
    std::vector<ScanRecord> out;
    s.calls.ForEachAfter(0, [&s, &out](const CallRecord& call) {
      if (call.call != CALL_COLOR_SCAN) return;
      const ScanRecord& scan = s.scans[call.arg2 % kScanLogCapacity];
      if (scan.seq == call.seq) out.push_back(scan);
    });
    return out;
  });
}

void Control::ClearCalls() {
  state_.With([](Shared& s) {
    s.calls.Clear();
    std::memset(s.scans, 0, sizeof(s.scans));
  });
}

uint32_t Control::CallCount() const {
  return state_.With(0u, [](const Shared& s) { return s.calls.count; });
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
  return state_.With(0, [](Shared& s) {
    const int32_t result = (s.attached != 0 && s.jammed == 0) ? 1 : 0;
    if (result == 1) s.scanning = 1;
    s.Log(CALL_START_SCAN, 0, 0, result);
    return result;
  });
}

int32_t Control::DeviceEndScan() {
  return state_.With(0, [](Shared& s) {
    const int32_t result = s.attached != 0 ? 1 : 0;
    s.scanning = 0;
    s.Log(CALL_END_SCAN, 0, 0, result);
    return result;
  });
}

short Control::DeviceReadButton(short button) {
  return state_.With(kDefaultDetachedRead, [button](Shared& s) {
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
  });
}

int32_t Control::DeviceSetTimeOut(int32_t timeout) {
  return state_.With(0, [timeout](Shared& s) {
    s.timeoutSet = 1;
    s.lastTimeout = timeout;
    s.Log(CALL_SET_TIMEOUT, timeout, 0, 1);
    return 1;
  });
}

int32_t Control::DeviceForwardStepMotor(int32_t steps) {
  return state_.With(0, [steps](Shared& s) {
    s.Log(CALL_FORWARD_STEP_MOTOR, steps, 0, steps);
    return steps;
  });
}

int32_t Control::DeviceProcessPaperJam() {
  return state_.With(0, [](Shared& s) {
    s.jammed = 0;
    s.Log(CALL_PROCESS_PAPER_JAM, 0, 0, 1);
    return 1;
  });
}

uint32_t Control::DeviceBeginCalibration(int32_t mode, int32_t language, bool* show,
                                         uint32_t* autoCloseMs) {
  *show = false;
  *autoCloseMs = 0;
  return state_.With(0u, [=](Shared& s) {
    *show = s.calibrationShow != 0;
    *autoCloseMs = s.calibrationAutoCloseMs;
    s.calibrationOpen = *show ? 1 : 0;
    s.calibrationCloseRequest = 0;
    return s.Log(CALL_DOCALIBRATE_LANG, mode, language, kResultPending);
  });
}

void Control::DeviceEndCalibration(uint32_t seq, int32_t result) {
  state_.With([seq, result](Shared& s) {
    s.calibrationOpen = 0;
    s.calibrationCloseRequest = 0;
    // The log may have been cleared or wrapped while the window was open.
    CallRecord* record = s.calls.Find(seq);
    if (record != nullptr && record->call == CALL_DOCALIBRATE_LANG) record->result = result;
  });
}

bool Control::DeviceReady() const {
  return state_.With(false, [](const Shared& s) { return s.attached != 0 && s.jammed == 0; });
}

bool Control::DeviceTakeCloseRequest() {
  return state_.With(false, [](Shared& s) {
    const bool requested = s.calibrationCloseRequest != 0;
    s.calibrationCloseRequest = 0;
    return requested;
  });
}

void Control::DeviceSetScanLanguage(int32_t language) {
  state_.With([language](Shared& s) {
    s.scanLanguage = language;
    s.Log(CALL_SETUI_COLORSCAN, language, 0, 0);
  });
}

bool Control::DeviceCardForScan(wchar_t* card) const {
  card[0] = L'\0';
  return state_.With(false, [card](const Shared& s) {
    std::memcpy(card, s.card, sizeof(s.card));
    card[MAX_PATH - 1] = L'\0';
    return s.attached != 0 && s.jammed == 0;
  });
}

void Control::DeviceLogScan(const ScanRecord& scan) {
  state_.With([&scan](Shared& s) {
    // arg2 numbers the scans, so the record is found from its log entry.
    const uint32_t index = s.scanCount++;
    ScanRecord& stored = s.scans[index % kScanLogCapacity];
    stored = scan;
    stored.language = s.scanLanguage;
    stored.seq = s.Log(CALL_COLOR_SCAN, scan.ints[1],
                       static_cast<int32_t>(index % kScanLogCapacity), scan.result);
  });
}

}  // namespace scannersim
