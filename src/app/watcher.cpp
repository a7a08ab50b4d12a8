#include "app/watcher.h"

#include <string>

#include "app/companion.h"
#include "config/configuration.h"
#include "framework/unique_handle.h"

namespace {

constexpr DWORD kChangeFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES |
                                REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;
static_assert(kChangeFilter == 15, "every kind of change");

Quillora::Configuration& Companion() {
  return Quillora::Configuration::Instance(
      static_cast<Quillora::Configuration::EditionType>(EditionId));
}

}  // namespace

HANDLE ConfigurationWatchStopEvent() {
  static const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return stop;
}

UINT WatchConfiguration(LPVOID parameter) {
  auto* language = static_cast<std::atomic<std::int32_t>*>(parameter);
  const HANDLE stop = ConfigurationWatchStopEvent();
  bool changed_before = false;
  const auto reload = [&] {
    Companion().Reset();
    language->store(DetectLanguage(), std::memory_order_relaxed);
  };
  for (;;) {
    const std::wstring root = Companion().GetRootKey();
    afx::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, root.c_str(), 0, KEY_NOTIFY, key.put()) != ERROR_SUCCESS) {
      // The change may have been the root's removal: it still counts.
      if (changed_before) reload();
      return 0;
    }
    afx::UniqueHandleT changed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!changed) return 0;
    if (RegNotifyChangeKeyValue(key.get(), TRUE, kChangeFilter, changed.get(), TRUE) !=
        ERROR_SUCCESS) {
      return 0;
    }
    // The re-read comes once the next change is watched for, so a change made
    // while it runs fires the wait below instead of being lost.
    if (changed_before) reload();

    const HANDLE waits[] = {changed.get(), stop};
    if (WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return 0;
    if (!key.reset()) return 0;
    if (!changed.reset()) return 0;
    changed_before = true;
  }
}
