// Text for the simulator's state and call log, shared by the command line
// and the control panel. Lines end with "\n".
#pragma once

#include <string>

#include "simstate.h"

namespace scannersim {

std::wstring FormatState(const State& state);
// "seq  name(args) -> result"
std::wstring FormatCall(const CallRecord& record);
// "seq  color_scanW(all arguments) -> result  [language, card]"
std::wstring FormatScan(const ScanRecord& scan);

}  // namespace scannersim
