// Counts the user-mode instructions a piece of code executes by
// single-stepping it: the trap flag is set, and a vectored exception handler
// counts each single-step exception and sets the flag again. Wine runs its
// Unix-side code (system calls, the server) with the flag cleared, so what
// is counted is the code in Windows modules: the executable, the driver
// library, and Wine's own DLLs. Wine also drops the flag when it calls back
// into a window procedure, so a procedure to be counted must call
// RearmTrapFlag() on entry.
#pragma once

#include <windows.h>

namespace bench {

struct StepCounts {
  long total = 0;
  long in_executable = 0;
  long in_driver = 0;
  // Entries into the process's heap allocator (RtlAllocateHeap and
  // RtlReAllocateHeap), from any module.
  long heap_calls = 0;
};

// Adds the handler; `driver` (may be null) is the module counted as in_driver.
bool InstallStepCounter(HMODULE driver);
// Whether counting gives the exact count of a known instruction sequence.
bool StepCounterIsExact();
// Runs body(context) single-stepped; the counter's own cost is taken off.
StepCounts CountSteps(void (*body)(void*), void* context);
// Sets the trap flag again when a count is running.
void RearmTrapFlag();
// Whether `address` lies in this executable's image.
bool InExecutable(const void* address);

}  // namespace bench
