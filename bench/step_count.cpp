#include "step_count.h"

namespace bench {

namespace {

constexpr DWORD kTrapFlag = 0x100;

struct Range {
  const char* begin = nullptr;
  const char* end = nullptr;
  bool Contains(const void* address) const {
    const char* at = static_cast<const char*>(address);
    return at >= begin && at < end;
  }
};

volatile bool g_stepping = false;
StepCounts g_counts;
Range g_executable;
Range g_driver;
const void* g_allocate = nullptr;
const void* g_reallocate = nullptr;
StepCounts g_overhead;

Range ImageRange(HMODULE module) {
  Range range;
  if (!module) return range;
  const auto* base = reinterpret_cast<const char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  range.begin = base;
  range.end = base + nt->OptionalHeader.SizeOfImage;
  return range;
}

LONG CALLBACK OnSingleStep(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode != EXCEPTION_SINGLE_STEP) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  // The address is that of the next instruction: a call's target is seen on entry.
  const void* at = info->ExceptionRecord->ExceptionAddress;
  ++g_counts.total;
  if (g_executable.Contains(at)) ++g_counts.in_executable;
  if (g_driver.Contains(at)) ++g_counts.in_driver;
  if (at == g_allocate || at == g_reallocate) ++g_counts.heap_calls;
  if (g_stepping) info->ContextRecord->EFlags |= kTrapFlag;
  return EXCEPTION_CONTINUE_EXECUTION;
}

inline void SetTrapFlag() {
#ifdef _WIN64
  asm volatile(
      "pushfq\n\t"
      "orq $0x100, (%%rsp)\n\t"
      "popfq" ::
          : "memory", "cc");
#else
  asm volatile(
      "pushfl\n\t"
      "orl $0x100, (%%esp)\n\t"
      "popfl" ::
          : "memory", "cc");
#endif
}

// What is stepped must be the same instructions in every count: this and the
// bodies below are kept out of line and unspecialised, and the counts, which
// the handler writes behind the compiler's back, are read only after the
// flag is no longer set again.
__attribute__((noipa)) StepCounts RawCount(void (*body)(void*), void* context) {
  g_counts = StepCounts{};
  g_stepping = true;
  SetTrapFlag();
  body(context);
  g_stepping = false;
  asm volatile("" ::: "memory");
  return g_counts;
}

__attribute__((noipa)) void Nothing(void*) {}

// Exactly 1 + 2 * count instructions.
__attribute__((noipa)) void Spin(void* count) {
  asm volatile(
      "mov %0, %%ecx\n"
      "1:\n\t"
      "decl %%ecx\n\t"
      "jnz 1b"
      :
      : "g"(static_cast<unsigned>(reinterpret_cast<UINT_PTR>(count)))
      : "ecx", "cc");
}

}  // namespace

bool InstallStepCounter(HMODULE driver) {
  g_executable = ImageRange(GetModuleHandleW(nullptr));
  g_driver = ImageRange(driver);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  g_allocate = reinterpret_cast<const void*>(GetProcAddress(ntdll, "RtlAllocateHeap"));
  g_reallocate = reinterpret_cast<const void*>(GetProcAddress(ntdll, "RtlReAllocateHeap"));
  if (!AddVectoredExceptionHandler(1, &OnSingleStep)) return false;
  g_overhead = RawCount(&Nothing, nullptr);
  return true;
}

bool StepCounterIsExact() {
  constexpr UINT_PTR kShort = 1;
  constexpr UINT_PTR kLong = 101;
  const long shortCount = RawCount(&Spin, reinterpret_cast<void*>(kShort)).total;
  const long longCount = RawCount(&Spin, reinterpret_cast<void*>(kLong)).total;
  return longCount - shortCount == static_cast<long>(2 * (kLong - kShort));
}

StepCounts CountSteps(void (*body)(void*), void* context) {
  StepCounts counts = RawCount(body, context);
  counts.total -= g_overhead.total;
  counts.in_executable -= g_overhead.in_executable;
  return counts;
}

void RearmTrapFlag() {
  if (g_stepping) SetTrapFlag();
}

bool InExecutable(const void* address) { return g_executable.Contains(address); }

}  // namespace bench
