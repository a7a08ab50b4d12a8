// The companion OCR application's automation object: the right button's
// hand-over and the right-button page's Settings button.
#pragma once

#include <objbase.h>

#include <cstdint>

// Asks the companion to scan the card itself when it is free; a message when
// it is not installed. Always 0.
std::int32_t SendCardToOcrApplication();

// Shows the companion's own scan settings while the settings dialog is hidden.
void OpenOcrScanSettings();

// The platform call that hands the foreground to the companion; Wine does not
// enforce the foreground rules, so tests record it.
inline HRESULT(STDAPICALLTYPE* co_allow_set_foreground_window)(IUnknown*, void*) =
    &::CoAllowSetForegroundWindow;
