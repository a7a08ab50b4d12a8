// The companion OCR application's automation object: the right button's
// hand-over and the right-button page's Settings button.
#pragma once

// Shows the companion's own scan settings while the settings dialog is hidden.
void OpenOcrScanSettings();
