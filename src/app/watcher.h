// The thread that follows the companion's settings: after every change below
// the companion's registry root it drops the cached configuration and stores
// the language detected anew.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

// The thread function; `parameter` is the std::atomic<std::int32_t> that
// receives the LanguageId. Ends when the root key cannot be watched, and when
// the stop event is set. Always exits with 0.
UINT WatchConfiguration(LPVOID parameter);

// The manual-reset event that ends every watcher; made on first use and never
// closed, so a watcher never waits on a closed handle.
HANDLE ConfigurationWatchStopEvent();
