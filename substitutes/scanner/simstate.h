// The simulated scanner's state, shared by every process that opens it: the
// driver library loaded by the program, the control panel and test programs.
// Its block of shared memory is backed by a file in the temporary folder, so
// it outlives the processes that change it (`scannersim attach` followed later
// by `scannersim status` sees one scanner). KDV310_SIM_INSTANCE gives a
// separate scanner.
#pragma once

#include <windows.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "sharedstate.h"

namespace scannersim {

constexpr int kLeftButton = 0;
constexpr int kRightButton = 1;
constexpr int kBothButtons = -1;
constexpr int kButtonCount = 2;

constexpr short kDefaultDetachedRead = -2;
constexpr uint32_t kCallLogCapacity = 4096;
// The result of a docalibrate_lang call whose window is still open.
constexpr int32_t kResultPending = INT32_MIN;
// The panel's exit code when a command found no simulator state to change, so
// did nothing.
constexpr DWORD kExitNoState = 1;

enum Call : int32_t {
  CALL_START_SCAN = 1,
  CALL_END_SCAN,
  CALL_IS_BUTTON_PRESSED,
  CALL_SET_TIMEOUT,
  CALL_FORWARD_STEP_MOTOR,
  CALL_PROCESS_PAPER_JAM,
  CALL_DOCALIBRATE_LANG,
  CALL_SETUI_COLORSCAN,  // arg1: language
  CALL_COLOR_SCAN,       // arg1: resolution; the whole call is in the scan log
};

constexpr uint32_t kScanLogCapacity = 32;
constexpr int kScanIntArguments = 8;

// One color_scanW call of the colour-scan library ("ovrapixlw.dll").
struct ScanRecord {
  uint32_t seq;                     // its place in the call log
  int64_t calledAt;                 // the performance counter when the call began
  int32_t language;                 // the last setui_colorscan value at the time
  int32_t ints[kScanIntArguments];  // the integer arguments 2 to 8 and 10
  int32_t result;
  wchar_t source[32];
  wchar_t path[MAX_PATH];
  wchar_t card[MAX_PATH];  // the image scanned; empty for the generated card
};

// arg1: button / timeout / steps / mode; arg2: language (docalibrate_lang).
struct CallRecord {
  uint32_t seq;  // 1 for the first call after the log was cleared
  int32_t call;
  int32_t arg1;
  int32_t arg2;
  int32_t result;
};

struct ButtonState {
  bool held = false;
  int32_t pressReadsLeft = 0;
  bool forced = false;
  short forcedValue = 0;
};

struct State {
  bool attached = false;
  bool jammed = false;
  bool scanning = false;  // IO_StartScan succeeded and IO_EndScan has not followed
  ButtonState buttons[kButtonCount];
  short detachedReadValue = kDefaultDetachedRead;
  bool timeoutSet = false;
  int32_t lastTimeout = 0;
  bool calibrationShow = true;
  uint32_t calibrationAutoCloseMs = 0;
  bool calibrationOpen = false;  // a calibration window is on screen now
  uint32_t callCount = 0;        // calls since the log was last cleared
  wchar_t card[MAX_PATH] = {};   // the inserted card's image; empty: the generated card
};

class Control {
 public:
  // Creates or opens the shared state; idempotent. Everything below needs it.
  bool Open();
  bool IsOpen() const;

  // Detached, all buttons released, nothing forced, jam cleared, call log
  // cleared, detached reads -2, calibration window shown without auto-close.
  void Reset();

  void Attach();
  void Detach();
  bool IsAttached() const;

  // The button reads 1 for its next `reads` reads, then 0.
  void Press(int button, int reads = 2);
  // Hold: reads 1 until released. Release also drops a pending press.
  void Hold(int button);
  void Release(int button);

  // While jammed every button read gives -1 and IO_StartScan gives 0.
  void Jam();
  void ClearJam();
  bool IsJammed() const;

  // Reads of `button` (kBothButtons: both) give `value` while attached, ahead
  // of jam, hold and press.
  void ForceRead(int button, short value);
  void ClearForced();

  // What every button read gives while detached.
  void SetDetachedReadValue(short value);

  // show=false makes docalibrate_lang return at once; autoCloseMs > 0 closes
  // the window after that long.
  void SetCalibrationWindow(bool show, unsigned autoCloseMs);
  // Asks an open calibration window to close (it checks every 50 ms).
  void CloseCalibrationWindow();

  // The card in the scanner: an image file, or (empty or null) the generated
  // business card. False when the path does not fit.
  bool InsertCard(const wchar_t* imagePath);

  State GetState() const;

  // Oldest first; at most kCallLogCapacity (the oldest are overwritten).
  std::vector<CallRecord> Calls() const;
  // The calls with seq > afterSeq, oldest first.
  std::vector<CallRecord> CallsSince(uint32_t afterSeq) const;
  // The colour scans still in the call log, oldest first.
  std::vector<ScanRecord> Scans() const;
  void ClearCalls();
  // Calls since the log was last cleared (also the seq of the latest one).
  uint32_t CallCount() const;
  static const wchar_t* CallName(int32_t call);

  // What the simulated libraries do; each call is logged with its result.
  // No heap allocation on these paths.
  int32_t DeviceStartScan();
  int32_t DeviceEndScan();
  short DeviceReadButton(short button);
  int32_t DeviceSetTimeOut(int32_t timeout);
  int32_t DeviceForwardStepMotor(int32_t steps);
  int32_t DeviceProcessPaperJam();
  // Logs docalibrate_lang with a pending result and marks the window open;
  // returns the record's seq for DeviceEndCalibration.
  uint32_t DeviceBeginCalibration(int32_t mode, int32_t language, bool* show,
                                  uint32_t* autoCloseMs);
  void DeviceEndCalibration(uint32_t seq, int32_t result);
  // Whether a calibration pass can run now (attached and not jammed).
  bool DeviceReady() const;
  // True once after CloseCalibrationWindow.
  bool DeviceTakeCloseRequest();

  // What the colour-scan library does.
  void DeviceSetScanLanguage(int32_t language);
  // Whether a card can be scanned now; `card` (MAX_PATH) gets its image path.
  bool DeviceCardForScan(wchar_t* card) const;
  void DeviceLogScan(const ScanRecord& scan);

 private:
  struct Shared;

  simshared::SharedState<Shared> state_;
};

// The state as the simulated libraries use it: opened for their process on
// the first call; null when it cannot be opened.
Control* Sim();

}  // namespace scannersim
