#include "desktop/process_counts.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <tlhelp32.h>
#include <utility>
#include <vector>

#include "desktop/windowing.h"
#include "framework/unique_handle.h"

namespace process_counts {

const char* const kNames[COUNTERS] = {"private KiB", "handles", "threads", "windows",
                                      "modules",     "GDI",     "USER"};

namespace {

// The system's handle list, as NtQuerySystemInformation gives it.
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
struct HandleEntry {
  PVOID object;
  ULONG_PTR process;
  ULONG_PTR handle;
  ULONG access;
  USHORT backTrace;
  USHORT type;
  ULONG attributes;
  ULONG reserved;
};
struct HandleList {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};

using QuerySystemFn = NTSTATUS(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

long long ListedHandles(DWORD process) {
  const auto query = reinterpret_cast<QuerySystemFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<unsigned char> buffer(1 << 16);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status = query(kSystemExtendedHandleInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed);
    if (status == kInfoLengthMismatch) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status != 0) return -1;
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    long long count = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i) count += list->entries[i].process == process;
    return count;
  }
}

long long Threads(DWORD process) {
  const afx::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return -1;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  long long count = 0;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    count += entry.th32OwnerProcessID == process;
  }
  return count;
}

long long TopLevelWindows(DWORD process) {
  return static_cast<long long>(desktop::TopWindows(process).size());
}

long long Modules(HANDLE process) {
  DWORD bytes = 0;
  if (!EnumProcessModulesEx(process, nullptr, 0, &bytes, LIST_MODULES_ALL)) return -1;
  return bytes / sizeof(HMODULE);
}

}  // namespace

Counts Read(DWORD id, Sources* sources) {
  Counts counts;
  for (long long& value : counts.values) value = -1;
  const afx::UniqueHandleT process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
  if (!process) return counts;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  if (GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof(memory))) {
    if (memory.PrivateUsage == 0) sources->privateUsage = false;
    counts.values[PRIVATE_BYTES] =
        static_cast<long long>(sources->privateUsage ? memory.PrivateUsage : memory.PagefileUsage);
  }
  DWORD handles = 0;
  if (!GetProcessHandleCount(process.get(), &handles) || handles == 0) {
    sources->processHandleCount = false;
  }
  counts.values[HANDLES] = sources->processHandleCount ? handles : ListedHandles(id);
  counts.values[THREADS] = Threads(id);
  counts.values[WINDOWS] = TopLevelWindows(id);
  counts.values[MODULES] = Modules(process.get());
  counts.values[GDI] = GetGuiResources(process.get(), GR_GDIOBJECTS);
  counts.values[USER] = GetGuiResources(process.get(), GR_USEROBJECTS);
  if (counts.values[GDI] == 0 && counts.values[USER] == 0) sources->guiResources = false;
  return counts;
}

bool Measured(const Sources& sources, int counter) {
  return (counter != GDI && counter != USER) || sources.guiResources;
}

void PrintSources(const Sources& sources) {
  if (!sources.privateUsage) {
    std::printf("private bytes: PagefileUsage, as PrivateUsage answers 0 here\n");
  }
  if (!sources.processHandleCount) {
    std::printf(
        "handles: counted in the system's handle list, as GetProcessHandleCount answers 0 here\n");
  }
  if (!sources.guiResources) {
    std::printf("GDI and USER objects: not measured, as GetGuiResources answers 0 for both here\n");
  }
  std::fflush(stdout);
}

}  // namespace process_counts
