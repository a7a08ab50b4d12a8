#include "desktop/input.h"

namespace desktop {

void PostTrayMouse(HWND frame, UINT mouse) {
  PostMessageW(frame, kTrayCallbackMessage, kTrayIconId, mouse);
}

void PostKey(HWND window, WORD key) {
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  PostMessageW(window, WM_KEYDOWN, key, 1 | (scan << 16));
  PostMessageW(window, WM_KEYUP, key, 1 | (scan << 16) | (3u << 30));
}

void SendChord(const std::vector<WORD>& keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    inputs.push_back(in);
  }
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = *key;
    in.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(in);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace desktop
