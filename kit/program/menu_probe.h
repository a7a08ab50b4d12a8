// The tray menu as the program builds it, read inside the program's process:
// Windows gives another process no access to a menu's items. The driver
// hooks the program's window thread with the probe library, whose hook copies
// each popup menu into a block of named shared memory as the menu opens.
#pragma once

#include <windows.h>

namespace e2e {

constexpr wchar_t kMenuProbeLibrary[] = L"menu_probe.dll";
constexpr char kMenuProbeHook[] = "MenuProbeHook";
constexpr wchar_t kMenuProbeMemory[] = L"Local\\ButtonManagerE2EMenuProbe";

struct ProbedMenu {
  static constexpr int kMaxItems = 16;
  static constexpr int kTextChars = 64;
  struct Item {
    UINT id;
    UINT state;  // MFS_ and MF_ flags as GetMenuState gives them
    wchar_t text[kTextChars];
  };
  // Counts the menus copied; a reader waits for it to change.
  volatile LONG sequence;
  int count;
  Item items[kMaxItems];
};

}  // namespace e2e
