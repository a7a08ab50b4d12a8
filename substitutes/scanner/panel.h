#pragma once

#include <windows.h>

namespace scannersim {

// Shows the control panel and returns the exit code when it is closed.
int RunPanel(HINSTANCE instance, int show);

}  // namespace scannersim
