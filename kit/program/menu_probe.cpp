// Loaded into the program's process by the window hook that the driver sets
// on the program's window thread; see menu_probe.h.
#include "program/menu_probe.h"

#include "framework/unique_handle.h"

namespace {

void Copy(HMENU menu) {
  const afx::UniqueHandleT mapping(OpenFileMappingW(FILE_MAP_WRITE, FALSE, e2e::kMenuProbeMemory));
  if (!mapping) return;
  const afx::UniqueMappedView view(
      MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(e2e::ProbedMenu)));
  if (!view) return;
  auto* probed = static_cast<e2e::ProbedMenu*>(view.get());
  const int count = GetMenuItemCount(menu);
  probed->count = count < e2e::ProbedMenu::kMaxItems ? count : e2e::ProbedMenu::kMaxItems;
  for (int i = 0; i < probed->count; ++i) {
    e2e::ProbedMenu::Item& item = probed->items[i];
    item.id = GetMenuItemID(menu, i);
    item.state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    item.text[0] = L'\0';
    GetMenuStringW(menu, static_cast<UINT>(i), item.text, e2e::ProbedMenu::kTextChars,
                   MF_BYPOSITION);
  }
  InterlockedIncrement(&probed->sequence);
}

}  // namespace

// After the program's own handling, which enables and disables the items.
extern "C" LRESULT CALLBACK MenuProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  // Wine loads a hook's library into the hooked process for each call and
  // frees it after, and every load keeps a little memory: the soak would
  // count the probe's loads as the program's growth. Pinned, it loads once.
  static bool pinned = false;
  if (!pinned) {
    HMODULE self = nullptr;
    pinned = GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
        reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&MenuProbeHook)), &self);
  }
  const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && message->message == WM_INITMENUPOPUP) {
    Copy(reinterpret_cast<HMENU>(message->wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
