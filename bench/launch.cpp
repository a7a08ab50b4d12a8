// Starts the program and the minimal tray program under the same Wine and
// compares them: the time from CreateProcess until the window that owns the
// tray icon exists (both add the icon while that window is created), and the
// CPU time each uses while both sit idle with the scanner attached.
//
// usage: bench_launch --program P --minimal M --workdir D [--runs N] [--idle SECONDS]
// Both programs start in D, where the program finds the simulated driver.
// Prints key=value lines.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "cputime.h"
#include "framework/framewnd.h"
#include "framework/unique_handle.h"
#include "res/resource.h"
#include "simstate.h"

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 10000;
constexpr DWORD kPollingTimeoutMs = 15000;
constexpr double kButtonPeriodSeconds = 0.5;
constexpr int kButtonsReadPerTick = 2;
// Set by scripts/bench to a value of its own; the host processes of the
// programs started here inherit it, which is how their CPU time is found.
constexpr wchar_t kRunVariable[] = L"BM_BENCH_RUN";

struct Target {
  std::wstring path;
  const wchar_t* window_class;
  UINT close_message;
  WPARAM close_wparam;
};

class Stopwatch {
 public:
  Stopwatch() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
  }
  double Milliseconds() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) /
           static_cast<double>(frequency_.QuadPart);
  }

 private:
  LARGE_INTEGER frequency_;
  LARGE_INTEGER start_;
};

HWND FindWindowOf(const wchar_t* windowClass, DWORD processId) {
  for (HWND hwnd = FindWindowExW(nullptr, nullptr, windowClass, nullptr); hwnd;
       hwnd = FindWindowExW(nullptr, hwnd, windowClass, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == processId) return hwnd;
  }
  return nullptr;
}

class Process {
 public:
  explicit Process(const Target& target) : target_(target) {}
  ~Process() { Close(); }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Start(const std::wstring& workdir) {
    std::wstring commandLine = L"\"" + target_.path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(target_.path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, workdir.c_str(), &startup, &info)) {
      std::fwprintf(stderr, L"bench_launch: cannot start %ls (error %lu)\n", target_.path.c_str(),
                    GetLastError());
      return false;
    }
    process_.reset(info.hProcess);
    thread_.reset(info.hThread);
    id_ = info.dwProcessId;
    return true;
  }

  // Polls for the process's window; null when the process ends or the time runs out.
  HWND WaitForWindow() {
    Stopwatch waited;
    while (waited.Milliseconds() < kStartTimeoutMs) {
      window_ = FindWindowOf(target_.window_class, id_);
      if (window_) return window_;
      if (WaitForSingleObject(process_.get(), 1) == WAIT_OBJECT_0) break;
    }
    std::fwprintf(stderr, L"bench_launch: no %ls window from %ls\n", target_.window_class,
                  target_.path.c_str());
    return nullptr;
  }

  bool WaitForIdle() { return WaitForInputIdle(process_.get(), kStartTimeoutMs) == 0; }

  // Asks the window to close.
  void RequestClose() {
    if (process_ && window_) {
      PostMessageW(window_, target_.close_message, target_.close_wparam, 0);
      close_requested_ = true;
    }
  }

  // Waits for the end after RequestClose; ends the process when it does not
  // end by itself. Returns whether it did.
  bool Close() {
    if (!process_) return true;
    if (!close_requested_) RequestClose();
    const DWORD wait = close_requested_ ? kExitTimeoutMs : 0;
    const bool clean = WaitForSingleObject(process_.get(), wait) == WAIT_OBJECT_0;
    if (!clean) {
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), kExitTimeoutMs);
    }
    process_.reset();
    thread_.reset();
    window_ = nullptr;
    close_requested_ = false;
    return clean;
  }

  DWORD id() const { return id_; }

 private:
  const Target& target_;
  afx::UniqueHandleT process_;
  afx::UniqueHandleT thread_;
  DWORD id_ = 0;
  HWND window_ = nullptr;
  bool close_requested_ = false;
};

struct Options {
  std::wstring program;
  std::wstring minimal;
  std::wstring workdir;
  int runs = 5;
  int idle_seconds = 60;
};

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring name = argv[i];
    const wchar_t* value = argv[i + 1];
    if (name == L"--program") {
      options->program = value;
    } else if (name == L"--minimal") {
      options->minimal = value;
    } else if (name == L"--workdir") {
      options->workdir = value;
    } else if (name == L"--runs") {
      options->runs = _wtoi(value);
    } else if (name == L"--idle") {
      options->idle_seconds = _wtoi(value);
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && !options->program.empty() && !options->minimal.empty() &&
         !options->workdir.empty() && options->runs > 0 && options->idle_seconds > 0;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintRuns(const char* key, const std::vector<double>& values) {
  std::printf("%s=", key);
  for (size_t i = 0; i < values.size(); ++i) std::printf(i ? ",%.1f" : "%.1f", values[i]);
  std::printf("\n");
}

struct StartupTimes {
  std::vector<double> window_ms;
  std::vector<double> idle_ms;
  int terminated = 0;
};

// One start: CreateProcess to window, then to the first wait for input.
bool MeasureStart(const Target& target, const std::wstring& workdir, StartupTimes* times) {
  Process process(target);
  Stopwatch clock;
  if (!process.Start(workdir)) return false;
  if (!process.WaitForWindow()) return false;
  const double window = clock.Milliseconds();
  if (!process.WaitForIdle()) return false;
  const double idle = clock.Milliseconds();
  if (!process.Close()) ++times->terminated;
  times->window_ms.push_back(window);
  times->idle_ms.push_back(idle);
  return true;
}

bool MeasureStartup(const Target& program, const Target& minimal, const Options& options) {
  StartupTimes warmup, programTimes, minimalTimes;
  // The first start of a session also starts Wine's desktop and shell.
  if (!MeasureStart(minimal, options.workdir, &warmup) ||
      !MeasureStart(program, options.workdir, &warmup)) {
    return false;
  }
  for (int run = 0; run < options.runs; ++run) {
    // Alternating who goes first keeps any drift from favouring one of them.
    const bool programFirst = run % 2 == 1;
    const Target& first = programFirst ? program : minimal;
    const Target& second = programFirst ? minimal : program;
    if (!MeasureStart(first, options.workdir, programFirst ? &programTimes : &minimalTimes) ||
        !MeasureStart(second, options.workdir, programFirst ? &minimalTimes : &programTimes)) {
      return false;
    }
  }
  std::printf("startup_runs=%d\n", options.runs);
  std::printf("startup_program_ms=%.1f\n", Median(programTimes.window_ms));
  std::printf("startup_minimal_ms=%.1f\n", Median(minimalTimes.window_ms));
  std::printf("ready_program_ms=%.1f\n", Median(programTimes.idle_ms));
  std::printf("ready_minimal_ms=%.1f\n", Median(minimalTimes.idle_ms));
  PrintRuns("startup_program_runs", programTimes.window_ms);
  PrintRuns("startup_minimal_runs", minimalTimes.window_ms);
  std::printf("startup_terminated=%d\n", programTimes.terminated + minimalTimes.terminated);
  return true;
}

std::wstring RunEntry() {
  wchar_t value[128];
  const DWORD length = GetEnvironmentVariableW(kRunVariable, value, ARRAYSIZE(value));
  if (length == 0 || length >= ARRAYSIZE(value)) return std::wstring();
  return std::wstring(kRunVariable) + L"=" + value;
}

int ButtonReadsSince(const scannersim::Control& sim, std::uint32_t seq) {
  int reads = 0;
  for (const auto& call : sim.CallsSince(seq))
    reads += call.call == scannersim::CALL_IS_BUTTON_PRESSED;
  return reads;
}

bool MeasureIdle(const Target& program, const Target& minimal, const Options& options,
                 scannersim::Control& sim) {
  sim.Reset();
  sim.Attach();
  Process programProcess(program);
  Process minimalProcess(minimal);
  if (!programProcess.Start(options.workdir) || !minimalProcess.Start(options.workdir) ||
      !programProcess.WaitForWindow() || !minimalProcess.WaitForWindow() ||
      !programProcess.WaitForIdle() || !minimalProcess.WaitForIdle()) {
    return false;
  }
  // The program finds the scanner on its first detection tick, then polls.
  Stopwatch waited;
  while (ButtonReadsSince(sim, 0) == 0) {
    if (waited.Milliseconds() > kPollingTimeoutMs) {
      std::fwprintf(stderr, L"bench_launch: the program does not poll the scanner's buttons\n");
      return false;
    }
    Sleep(50);
  }
  const std::uint32_t seq = sim.CallCount();
  const std::wstring runEntry = RunEntry();
  bench::CpuClock programCpu(programProcess.id(), program.path, runEntry);
  bench::CpuClock minimalCpu(minimalProcess.id(), minimal.path, runEntry);
  programCpu.Start();
  minimalCpu.Start();
  Stopwatch idle;
  Sleep(static_cast<DWORD>(options.idle_seconds) * 1000);
  const double programSeconds = programCpu.Elapsed();
  const double minimalSeconds = minimalCpu.Elapsed();
  const double elapsed = idle.Milliseconds() / 1000;
  const int reads = ButtonReadsSince(sim, seq);

  std::printf("idle_seconds=%.1f\n", elapsed);
  std::printf("idle_cpu_source=%s,%s\n", programCpu.Source(), minimalCpu.Source());
  std::printf("idle_program_cpu_s=%.4f\n", programSeconds);
  std::printf("idle_minimal_cpu_s=%.4f\n", minimalSeconds);
  std::printf("idle_program_button_reads=%d\n", reads);
  std::printf("idle_expected_button_reads=%.0f\n",
              elapsed / kButtonPeriodSeconds * kButtonsReadPerTick);
  // Both at once: under Wine taking an icon away can take seconds.
  programProcess.RequestClose();
  minimalProcess.RequestClose();
  const bool programClean = programProcess.Close();
  const bool minimalClean = minimalProcess.Close();
  std::printf("idle_terminated=%d\n", !programClean + !minimalClean);
  sim.Reset();
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fwprintf(stderr,
                  L"usage: bench_launch --program P --minimal M --workdir D [--runs N] "
                  L"[--idle SECONDS]\n");
    return 2;
  }
  const Target program{options.program, CFrameWnd::kClassName, WM_COMMAND, ID_EXIT};
  const Target minimal{options.minimal, L"BenchMinimalTray", WM_CLOSE, 0};
  if (FindWindowW(program.window_class, nullptr)) {
    std::fwprintf(stderr, L"bench_launch: the program already runs in this Wine session\n");
    return 2;
  }
  scannersim::Control sim;
  if (!sim.Open()) {
    std::fwprintf(stderr, L"bench_launch: cannot open the simulated scanner\n");
    return 2;
  }
  sim.Reset();
  sim.Attach();
  const bool ok =
      MeasureStartup(program, minimal, options) && MeasureIdle(program, minimal, options, sim);
  sim.Reset();
  std::fflush(stdout);
  return ok ? 0 : 1;
}
