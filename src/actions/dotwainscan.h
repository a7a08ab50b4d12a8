// What the scanner's buttons do.
#pragma once

#include <cstdint>

class dotwainscan {
 public:
  dotwainscan() = default;
  ~dotwainscan() = default;

  // Left button: the destination chosen in the settings.
  std::int32_t DoLeftButtonAction();
  // Right button: the card goes to the companion OCR application.
  std::int32_t DoRightButtonAction();
};
