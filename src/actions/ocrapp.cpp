#include "actions/ocrapp.h"

// The companion's automation object comes with the companion configuration.
void OpenOcrScanSettings() {}
