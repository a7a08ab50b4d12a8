// Counts the heap allocations made by this executable's code, the program's
// library included: every operator new and new[] (replaced here), and every
// call through the import table to an allocating function of the C runtime,
// of the Win32 heaps, of COM task memory or of BSTRs.
#pragma once

#include <string>

namespace bench {

// Redirects the allocating imports through counters; returns their names.
std::wstring InstallAllocationCounter();
long AllocationCount();

}  // namespace bench
