// The simulated scanner driver: every export works on the shared state.
#include "scanner_exports.h"
#include "simstate.h"

extern "C" {

int __stdcall IO_StartScan(void) {
  scannersim::Control* sim = scannersim::Sim();
  return sim != nullptr ? sim->DeviceStartScan() : 0;
}

int __stdcall IO_EndScan(void) {
  scannersim::Control* sim = scannersim::Sim();
  return sim != nullptr ? sim->DeviceEndScan() : 0;
}

short __stdcall IO_IsButtonPressed(short button) {
  scannersim::Control* sim = scannersim::Sim();
  return sim != nullptr ? sim->DeviceReadButton(button) : scannersim::kDefaultDetachedRead;
}

int __stdcall IO_SetTimeOut(int timeout) {
  scannersim::Control* sim = scannersim::Sim();
  return sim != nullptr ? sim->DeviceSetTimeOut(timeout) : 0;
}

int __stdcall IO_ForwardStepMotor(int steps) {
  scannersim::Control* sim = scannersim::Sim();
  return sim != nullptr ? sim->DeviceForwardStepMotor(steps) : 0;
}

int __stdcall IO_ProcessPaperJam(void) {
  scannersim::Control* sim = scannersim::Sim();
  return sim != nullptr ? sim->DeviceProcessPaperJam() : 0;
}

}  // extern "C"
