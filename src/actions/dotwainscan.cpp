#include "actions/dotwainscan.h"

#include "actions/ocrapp.h"

// The scan to file and to e-mail, and the hand-over to the OCR application,
// come with their own units; until then a press runs no action.
std::int32_t dotwainscan::DoLeftButtonAction() { return 0; }

std::int32_t dotwainscan::DoRightButtonAction() { return SendCardToOcrApplication(); }
