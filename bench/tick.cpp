// Measures the main frame's button-polling tick in process, with the
// simulated scanner attached, against one message round trip to a window
// whose handler does nothing: heap allocations per tick (there must be none),
// instructions per tick (cycles when single-stepping is not exact), and time
// per tick. Both are reached the same way: SendMessage(WM_TIMER, 2).
//
// usage: bench_tick [--ticks N | --week] [--stepped N]
// --week runs as many ticks as a week of uptime holds, back to back, and
// reads the process after each quarter: nothing may grow after the first.
// Prints key=value lines; exits with 1 when a tick allocates, something grows
// or a check fails.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "alloc_count.h"
#include "app/myapp.h"
#include "desktop/process_counts.h"
#include "device/scanner_exports.h"
#include "frame/mainframe.h"
#include "resource.h"
#include "simstate.h"
#include "step_count.h"

namespace {

constexpr wchar_t kBaselineClass[] = L"BenchTickBaseline";
constexpr UINT_PTR kTickTimerId = CMainFrame::TIMER_ID_BUTTON;
constexpr int kReadsPerTick = 2;
constexpr long long kWeekMs = 7LL * 24 * 60 * 60 * 1000;
constexpr int kParts = 4;
constexpr int kWeekOfTicks = static_cast<int>(kWeekMs / CMainFrame::kButtonPeriodMs);

BOOL WINAPI NoShell(DWORD, PNOTIFYICONDATAW) { return TRUE; }

LRESULT CALLBACK BaselineProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) return 0;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void AllocateOnce(void*) {
  void* volatile block = std::malloc(16);
  std::free(block);
}

void Tick(void* window) { SendMessageW(static_cast<HWND>(window), WM_TIMER, kTickTimerId, 0); }

// Puts CountedProc in front of a window's procedure while it lives.
class CountedWindow {
 public:
  explicit CountedWindow(HWND hwnd);
  ~CountedWindow();
  CountedWindow(const CountedWindow&) = delete;
  CountedWindow& operator=(const CountedWindow&) = delete;

  static LRESULT CALLBACK CountedProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static constexpr int kSlots = 2;
  struct Slot {
    HWND hwnd;
    WNDPROC original;
  };
  static inline Slot slots_[kSlots] = {};
  Slot* slot_ = nullptr;
};

CountedWindow::CountedWindow(HWND hwnd) {
  for (Slot& slot : slots_) {
    if (slot.hwnd) continue;
    slot.hwnd = hwnd;
    slot.original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountedProc)));
    slot_ = &slot;
    return;
  }
}

CountedWindow::~CountedWindow() {
  if (!slot_) return;
  SetWindowLongPtrW(slot_->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(slot_->original));
  *slot_ = Slot{};
}

LRESULT CALLBACK CountedWindow::CountedProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // Wine enters a window procedure with the trap flag cleared.
  bench::RearmTrapFlag();
  for (const Slot& slot : slots_) {
    if (slot.hwnd != hwnd) continue;
    // A direct call, as the system makes it, unless the procedure is one of
    // Wine's handles rather than our code.
    if (bench::InExecutable(reinterpret_cast<const void*>(slot.original))) {
      return slot.original(hwnd, message, wParam, lParam);
    }
    return CallWindowProcW(slot.original, hwnd, message, wParam, lParam);
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

class BaselineWindow {
 public:
  BaselineWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &BaselineProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kBaselineClass;
    RegisterClassExW(&wc);
    hwnd_ =
        CreateWindowExW(0, kBaselineClass, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~BaselineWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  BaselineWindow(const BaselineWindow&) = delete;
  BaselineWindow& operator=(const BaselineWindow&) = delete;
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

// The frame deletes itself when its window is destroyed.
class Frame {
 public:
  Frame() : frame_(new CMainFrame) {
    if (!frame_->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, nullptr)) {
      delete frame_;
      frame_ = nullptr;
    }
  }
  ~Frame() {
    if (frame_) DestroyWindow(frame_->m_hWnd);
  }
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;
  CMainFrame* get() const { return frame_; }

 private:
  CMainFrame* frame_;
};

struct Options {
  int ticks = 1000;
  int stepped = 5;
};

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring name = argv[i];
    if (name == L"--week") {
      options->ticks = kWeekOfTicks;
      continue;
    }
    if (i + 1 == argc) return false;
    const int value = _wtoi(argv[++i]);
    if (name == L"--ticks") {
      options->ticks = value;
    } else if (name == L"--stepped") {
      options->stepped = value;
    } else {
      return false;
    }
  }
  return options->ticks >= kParts && options->stepped > 0;
}

// Each way of allocating must be seen exactly once, or the count means nothing.
bool CheckAllocationCounter() {
  bool ok = true;
  auto expectOne = [&ok](const char* what, long before) {
    const long seen = bench::AllocationCount() - before;
    if (seen != 1) {
      std::printf("alloc_check_failed=%s saw %ld\n", what, seen);
      ok = false;
    }
  };
  long before = bench::AllocationCount();
  void* volatile single = ::operator new(16);
  ::operator delete(single);
  expectOne("operator new", before);

  before = bench::AllocationCount();
  char* volatile array = new char[16];
  delete[] array;
  expectOne("operator new[]", before);

  before = bench::AllocationCount();
  {
    const std::wstring text(64, L'x');
    if (text.empty()) ok = false;
  }
  expectOne("std::wstring", before);

  before = bench::AllocationCount();
  void* volatile block = std::malloc(16);
  std::free(block);
  expectOne("malloc", before);

  before = bench::AllocationCount();
  block = std::calloc(4, 4);
  std::free(block);
  expectOne("calloc", before);

  before = bench::AllocationCount();
  block = std::realloc(nullptr, 16);
  std::free(block);
  expectOne("realloc", before);

  before = bench::AllocationCount();
  block = HeapAlloc(GetProcessHeap(), 0, 16);
  HeapFree(GetProcessHeap(), 0, block);
  expectOne("HeapAlloc", before);
  return ok;
}

class Timer {
 public:
  Timer() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
    cycles_ = __builtin_ia32_rdtsc();
  }
  double Microseconds() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1e6 * static_cast<double>(now.QuadPart - start_.QuadPart) /
           static_cast<double>(frequency_.QuadPart);
  }
  std::uint64_t Cycles() const { return __builtin_ia32_rdtsc() - cycles_; }

 private:
  LARGE_INTEGER frequency_;
  LARGE_INTEGER start_;
  std::uint64_t cycles_;
};

struct PerTick {
  double microseconds = 0;
  double cycles = 0;
  double allocations = 0;
};

PerTick Run(HWND window, int ticks) {
  const long allocations = bench::AllocationCount();
  Timer timer;
  for (int i = 0; i < ticks; ++i) Tick(window);
  PerTick result;
  result.cycles = static_cast<double>(timer.Cycles()) / ticks;
  result.microseconds = timer.Microseconds() / ticks;
  result.allocations = static_cast<double>(bench::AllocationCount() - allocations) / ticks;
  return result;
}

struct StepAverage {
  double total = 0;
  double in_executable = 0;
  double in_driver = 0;
  double heap_calls = 0;
};

StepAverage Step(HWND window, int ticks) {
  StepAverage average;
  for (int i = 0; i < ticks; ++i) {
    const bench::StepCounts counts = bench::CountSteps(&Tick, window);
    average.total += static_cast<double>(counts.total) / ticks;
    average.in_executable += static_cast<double>(counts.in_executable) / ticks;
    average.in_driver += static_cast<double>(counts.in_driver) / ticks;
    average.heap_calls += static_cast<double>(counts.heap_calls) / ticks;
  }
  return average;
}

// One read of the simulated driver, called directly: how much of a tick is the driver's.
double DriverReadMicroseconds(int reads) {
  const auto read = reinterpret_cast<scanner::IsButtonPressedFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(scanner::kDriverLibrary), "IO_IsButtonPressed")));
  if (!read) return 0;
  Timer timer;
  for (int i = 0; i < reads; ++i) read(0);
  return timer.Microseconds() / reads;
}

int Fail(const wchar_t* why) {
  std::fwprintf(stderr, L"bench_tick: %ls\n", why);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    return Fail(L"usage: bench_tick [--ticks N | --week] [--stepped N]");
  }

  CMyApp app;
  CTrayIcon::shell_notify = &NoShell;
  scannersim::Control sim;
  if (!sim.Open()) return Fail(L"cannot open the simulated scanner");
  sim.Reset();
  sim.Attach();

  Frame frame;
  if (!frame.get()) return Fail(L"cannot create the main frame");
  const HWND frameWindow = frame.get()->m_hWnd;
  SendMessageW(frameWindow, WM_TIMER, CMainFrame::TIMER_ID_DETECT, 0);
  if (!frame.get()->scanner_connected) return Fail(L"the frame did not find the scanner");
  BaselineWindow baseline;
  if (!baseline.get()) return Fail(L"cannot create the baseline window");

  const std::wstring hooked = bench::InstallAllocationCounter();
  std::printf("alloc_hooked_imports=%ls\n", hooked.c_str());
  const bool counterWorks = CheckAllocationCounter();
  std::printf("alloc_selfcheck=%s\n", counterWorks ? "ok" : "failed");

  // The first tick after detection is reported apart from the steady state.
  const std::uint32_t firstSeq = sim.CallCount();
  const PerTick first = Run(frameWindow, 1);
  const std::uint32_t seq = sim.CallCount();
  // The process is read after each part of the run; the first part is the
  // warm-up, in which pages are touched for the first time. A reading made
  // before brings in the reader's own buffers.
  process_counts::Sources sources;
  process_counts::Read(GetCurrentProcessId(), &sources);
  process_counts::Counts parts[kParts];
  PerTick tick;
  for (int part = 0; part < kParts; ++part) {
    const int ticks = options.ticks / kParts + (part < options.ticks % kParts ? 1 : 0);
    const PerTick done = Run(frameWindow, ticks);
    const double share = static_cast<double>(ticks) / options.ticks;
    tick.microseconds += done.microseconds * share;
    tick.cycles += done.cycles * share;
    tick.allocations += done.allocations * share;
    parts[part] = process_counts::Read(GetCurrentProcessId(), &sources);
  }
  const std::uint32_t reads = sim.CallCount() - seq;
  bool flat = true;
  for (int c = 0; c < process_counts::COUNTERS; ++c) {
    if (!process_counts::Measured(sources, c)) continue;
    const long long unit = c == process_counts::PRIVATE_BYTES ? 1024 : 1;
    std::printf("after_parts %s=", process_counts::kNames[c]);
    for (const process_counts::Counts& counts : parts) std::printf(" %lld", counts[c] / unit);
    std::printf("\n");
    flat = flat && parts[0][c] >= 0 && parts[kParts - 1][c] <= parts[0][c];
  }
  std::printf("growth_after_warm_up=%s\n", flat ? "none" : "found");
  const PerTick round = Run(baseline.get(), options.ticks);
  const bool ticksRead = seq - firstSeq == kReadsPerTick &&
                         reads == static_cast<std::uint32_t>(kReadsPerTick * options.ticks);
  if (!ticksRead) {
    std::printf("tick_check_failed=driver reads %u for %d ticks\n", reads, options.ticks);
  }

  std::printf("ticks=%d\n", options.ticks);
  std::printf("tick_allocations_first=%.0f\n", first.allocations);
  std::printf("tick_allocations=%.0f\n", tick.allocations * options.ticks);
  std::printf("tick_allocations_per_tick=%g\n", tick.allocations);
  std::printf("base_allocations_per_tick=%g\n", round.allocations);
  std::printf("base_allocations=%.0f\n", round.allocations * options.ticks);
  std::printf("tick_us=%.2f\n", tick.microseconds);
  std::printf("base_us=%.2f\n", round.microseconds);
  std::printf("driver_read_us=%.2f\n", DriverReadMicroseconds(options.ticks));

  bool exact =
      bench::InstallStepCounter(GetModuleHandleW(L"kdv310.dll")) && bench::StepCounterIsExact();
  StepAverage frameSteps, baseSteps;
  if (exact) {
    CountedWindow countedFrame(frameWindow);
    CountedWindow countedBaseline(baseline.get());
    const std::uint32_t stepSeq = sim.CallCount();
    frameSteps = Step(frameWindow, options.stepped);
    const std::uint32_t stepReads = sim.CallCount() - stepSeq;
    baseSteps = Step(baseline.get(), options.stepped);
    // Without driver code in the count the window procedure was not stepped.
    exact = frameSteps.in_driver > 0 &&
            stepReads == static_cast<std::uint32_t>(kReadsPerTick * options.stepped);
  }
  if (exact) {
    std::printf("step_unit=instructions\n");
    std::printf("tick_steps=%.0f\n", frameSteps.total);
    std::printf("tick_steps_executable=%.0f\n", frameSteps.in_executable);
    std::printf("tick_steps_driver=%.0f\n", frameSteps.in_driver);
    // A deliberate allocation shows whether the allocator's entry is seen.
    const bool heapSeen = bench::CountSteps(&AllocateOnce, nullptr).heap_calls == 1;
    std::printf("step_heap_check=%s\n", heapSeen ? "ok" : "failed");
    std::printf("tick_heap_calls=%g\n", frameSteps.heap_calls);
    std::printf("base_steps=%.0f\n", baseSteps.total);
    std::printf("base_steps_executable=%.0f\n", baseSteps.in_executable);
    std::printf("base_heap_calls=%g\n", baseSteps.heap_calls);
  } else {
    std::printf("step_unit=cycles\n");
    std::printf("tick_steps=%.0f\n", tick.cycles);
    std::printf("base_steps=%.0f\n", round.cycles);
  }
  std::printf("stepped_ticks=%d\n", options.stepped);
  sim.Reset();
  std::fflush(stdout);
  const bool pass =
      counterWorks && ticksRead && flat && tick.allocations == 0 && first.allocations == 0;
  return pass ? 0 : 1;
}
