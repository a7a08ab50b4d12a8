#include "device/scannerdriver.h"

#include <string>

#include "framework/cstring.h"
#include "framework/debug.h"

namespace {

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

CScannerDriver::CScannerDriver() {
  stopping = 0;
  driver_module_.reset(LoadLibraryW(scanner::kDriverLibrary));

  wchar_t windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring path =
      std::wstring(windows, length < MAX_PATH ? length : 0) + scanner::kDataSourcePath;
  // A path that does not fit the platform's limit is never loaded cut short.
  if (length > 0 && length < MAX_PATH && path.size() < MAX_PATH) {
    source_module_.reset(LoadLibraryW(path.c_str()));
  }
  if (!source_module_) AfxTrace(L"Unable to load %s dll\n", path.c_str());

  if (HMODULE driver = driver_module_.get()) {
    start_scan_ = Lookup<scanner::StartScanFn>(driver, "IO_StartScan");
    end_scan_ = Lookup<scanner::EndScanFn>(driver, "IO_EndScan");
    is_button_pressed_ = Lookup<scanner::IsButtonPressedFn>(driver, "IO_IsButtonPressed");
    set_time_out_ = Lookup<scanner::SetTimeOutFn>(driver, "IO_SetTimeOut");
    forward_step_motor_ = Lookup<scanner::ForwardStepMotorFn>(driver, "IO_ForwardStepMotor");
    process_paper_jam_ = Lookup<scanner::ProcessPaperJamFn>(driver, "IO_ProcessPaperJam");
  }
  if (HMODULE source = source_module_.get()) {
    docalibrate_lang_ = Lookup<scanner::CalibrateFn>(source, "docalibrate_lang");
    if (!docalibrate_lang_) afx::DebugOutput(L"Entry docalibrate_lang not found\n");
  }
}

CScannerDriver::~CScannerDriver() {
  start_scan_ = nullptr;
  end_scan_ = nullptr;
  is_button_pressed_ = nullptr;
  set_time_out_ = nullptr;
  forward_step_motor_ = nullptr;
  process_paper_jam_ = nullptr;
  driver_module_.reset();
  docalibrate_lang_ = nullptr;
  source_module_.reset();
}

std::int32_t CScannerDriver::StartScan() {
  if (!driver_module_ || !start_scan_) return 0;
  return start_scan_();
}

void CScannerDriver::EndScan() {
  if (!driver_module_ || !end_scan_) return;
  end_scan_();
}

std::int16_t CScannerDriver::IsButtonPressed(std::int16_t button) {
  if (!driver_module_ || stopping || !is_button_pressed_) return 0;
  return is_button_pressed_(button);
}

void CScannerDriver::SetTimeOut(std::int32_t value) {
  if (set_time_out_) set_time_out_(value);
}

std::int32_t CScannerDriver::ForwardStepMotor(std::int32_t value) {
  return forward_step_motor_ ? forward_step_motor_(value) : 0;
}

void CScannerDriver::ProcessPaperJam() {
  if (process_paper_jam_) process_paper_jam_();
}

std::int32_t CScannerDriver::Calibrate(std::int32_t mode, std::int32_t language) {
  if (!docalibrate_lang_) return 0;
  return docalibrate_lang_(mode, language);
}
