// The exports of the scanner package's driver library ("kdv310.dll") and of
// its TWAIN data source ("kdv310.ds"). Both are loaded at run time and looked
// up by undecorated name; every export uses the stdcall convention.
// The program only uses the pointer types below; the substitute libraries
// define the functions themselves.
#pragma once

#include <windows.h>

extern "C" {

// 1 when the scanner is attached and ready; every other value means it is not.
int __stdcall IO_StartScan(void);
int __stdcall IO_EndScan(void);
// 1 pressed (and still held), 0 not pressed, negative: the device cannot be read.
short __stdcall IO_IsButtonPressed(short button);
int __stdcall IO_SetTimeOut(int timeout);
int __stdcall IO_ForwardStepMotor(int steps);
int __stdcall IO_ProcessPaperJam(void);

// Runs the calibration and cleaning procedure with its own window, in the
// given language; returns when the procedure has ended.
int __stdcall docalibrate_lang(int mode, int language);

}  // extern "C"

namespace scanner {

using StartScanFn = decltype(&IO_StartScan);
using EndScanFn = decltype(&IO_EndScan);
using IsButtonPressedFn = decltype(&IO_IsButtonPressed);
using SetTimeOutFn = decltype(&IO_SetTimeOut);
using ForwardStepMotorFn = decltype(&IO_ForwardStepMotor);
using ProcessPaperJamFn = decltype(&IO_ProcessPaperJam);
using CalibrateFn = decltype(&docalibrate_lang);

constexpr wchar_t kDriverLibrary[] = L"kdv310.dll";
// Relative to the Windows folder.
constexpr wchar_t kDataSourcePath[] = L"\\twain_32\\Plexo\\kdv310.ds";

}  // namespace scanner
