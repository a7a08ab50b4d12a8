// What a process holds, read as any other process (or the process itself)
// can read it: private bytes, kernel handles, threads, top-level windows,
// loaded modules, GDI and USER objects. Where the platform does not answer
// the usual call, the reading says so in its sources.
#pragma once

#include <windows.h>

namespace process_counts {

enum Counter { PRIVATE_BYTES, HANDLES, THREADS, WINDOWS, MODULES, GDI, USER, COUNTERS };
extern const char* const kNames[COUNTERS];

// How the platform answered; each turns false once it has not.
struct Sources {
  bool privateUsage = true;        // else PagefileUsage: Wine 8 leaves PrivateUsage 0
  bool processHandleCount = true;  // else the system's handle list
  bool guiResources = true;        // Wine 8's GetGuiResources answers 0
};

struct Counts {
  long long values[COUNTERS] = {};
  long long operator[](int counter) const { return values[counter]; }
};

// -1 for a count that could not be read.
Counts Read(DWORD process, Sources* sources);
// Whether `counter` means anything with these sources.
bool Measured(const Sources& sources, int counter);
// A line for each source that is not the usual call.
void PrintSources(const Sources& sources);

}  // namespace process_counts
