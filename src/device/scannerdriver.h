// The binding to the scanner package: the driver library and the TWAIN data
// source, both loaded at run time and both optional. Every operation returns
// its default when its library or export is missing.
#pragma once

#include <windows.h>

#include <cstdint>

#include "device/scanner_exports.h"
#include "framework/unique_handle.h"

class CScannerDriver {
 public:
  CScannerDriver();
  ~CScannerDriver();
  CScannerDriver(const CScannerDriver&) = delete;
  CScannerDriver& operator=(const CScannerDriver&) = delete;

  // 1 when the scanner is attached and ready.
  std::int32_t StartScan();
  void EndScan();
  // 1 pressed, 0 not, negative: the device cannot be read. 0 while stopping.
  std::int16_t IsButtonPressed(std::int16_t button);
  void SetTimeOut(std::int32_t value);
  std::int32_t ForwardStepMotor(std::int32_t value);
  void ProcessPaperJam();
  // Runs the data source's calibration and cleaning in `language` (a LanguageId).
  std::int32_t Calibrate(std::int32_t mode, std::int32_t language);

  bool HasCalibrate() const { return docalibrate_lang_ != nullptr; }

  // Set by the main frame on its way out; never reset.
  std::int32_t stopping = 0;

 private:
  scanner::StartScanFn start_scan_ = nullptr;
  scanner::EndScanFn end_scan_ = nullptr;
  scanner::IsButtonPressedFn is_button_pressed_ = nullptr;
  scanner::SetTimeOutFn set_time_out_ = nullptr;
  scanner::ForwardStepMotorFn forward_step_motor_ = nullptr;
  scanner::ProcessPaperJamFn process_paper_jam_ = nullptr;
  afx::UniqueModule driver_module_;
  afx::UniqueModule source_module_;
  scanner::CalibrateFn docalibrate_lang_ = nullptr;
};
