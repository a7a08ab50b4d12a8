// Starts the program and minimal tray programs under the same Wine and
// compares them:
// - start-up: the time from CreateProcess until the window that owns the tray
//   icon exists (all add the icon while that window is created), against the
//   bare tray program, against the same with the program's load-time imports,
//   and against that one initialising COM first, as the program does;
// - idle: the CPU time used while they sit idle with the scanner attached,
//   against the tray program that reads both buttons of its own simulated
//   scanner on the same timer, and then memory;
// - press to action: a button pressed on the simulated scanner just after a
//   tick (the latest moment, a whole poll period before the next), until the
//   colour-scan library's call (left button, to e-mail) and the companion's
//   ScanCards (right button), against the polling baseline's read that sees
//   the same press.
//
// usage: bench_launch --program P --minimal M --minimal-libs L --workdir D --companion C
//                     [--runs N] [--idle SECONDS] [--presses N]
// All start in D, where the program finds the simulated driver; C holds the
// companion's automation server. Prints key=value lines.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "control.h"
#include "cputime.h"
#include "desktop/process.h"
#include "desktop/windowing.h"
#include "framework/framewnd.h"
#include "framework/unique_handle.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "simstate.h"

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 10000;
constexpr DWORD kPollingTimeoutMs = 15000;
constexpr DWORD kActionTimeoutMs = 30000;
constexpr double kButtonPeriodSeconds = 0.5;
constexpr int kButtonsReadPerTick = 2;
constexpr SIZE_T kBytesPerKib = 1024;
// Presses are timed from the poll that sees their reaction.
constexpr DWORD kPollMs = 1;
// Set by scripts/bench to a value of its own; the host processes of the
// programs started here inherit it, which is how their CPU time is found.
constexpr wchar_t kRunVariable[] = L"BM_BENCH_RUN";
constexpr wchar_t kPollDriverOption[] = L"--poll-driver";
constexpr wchar_t kCoInitializeOption[] = L"--co-initialize";
// The polling baseline reads a simulated scanner of its own, so that a press
// meant for one program is never read by the other.
constexpr wchar_t kBaselineInstanceSuffix[] = L"-baseline";
constexpr wchar_t kScanCardsCall[] = L"ScanCards(";

using ScanSim = scannersim::Control;

LONGLONG Counter() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double Milliseconds(LONGLONG from, LONGLONG to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to - from) / static_cast<double>(frequency.QuadPart);
}

class Stopwatch {
 public:
  double Milliseconds() const { return ::Milliseconds(start_, Counter()); }

 private:
  LONGLONG start_ = Counter();
};

// Answers the windows that a process shows (a message box, a compose window)
// as a user who wants them gone would.
void CloseShownWindows(DWORD processId) {
  // Closed, not confirmed: OK in a compose window would send it. A message
  // box with only OK takes closing as OK.
  for (HWND window : desktop::TopWindows(processId, nullptr, true))
    PostMessageW(window, WM_CLOSE, 0, 0);
}

// Opens the simulated scanner that a process with `instance` in its
// environment sees.
bool OpenSim(ScanSim& sim, const std::wstring& instance) {
  const std::wstring own = desktop::Variable(simshared::kInstanceVariable);
  SetEnvironmentVariableW(simshared::kInstanceVariable, instance.c_str());
  const bool opened = sim.Open();
  SetEnvironmentVariableW(simshared::kInstanceVariable, own.empty() ? nullptr : own.c_str());
  return opened;
}

struct Target {
  std::wstring path;
  const wchar_t* window_class;
  UINT close_message;
  WPARAM close_wparam;
  std::wstring arguments;     // after the path on the command line
  std::wstring sim_instance;  // empty: this process's own
};

class Process {
 public:
  explicit Process(const Target& target) : target_(target) {}
  ~Process() { Close(); }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Start(const std::wstring& workdir) {
    std::wstring commandLine = L"\"" + target_.path + L"\"";
    if (!target_.arguments.empty()) commandLine += L" " + target_.arguments;
    std::vector<std::wstring> environment;
    if (!target_.sim_instance.empty()) {
      environment.push_back(std::wstring(simshared::kInstanceVariable) + L"=" +
                            target_.sim_instance);
    }
    process_ = desktop::Start(commandLine, workdir, environment);
    if (!process_) {
      std::fwprintf(stderr, L"bench_launch: cannot start %ls (error %lu)\n", target_.path.c_str(),
                    GetLastError());
      return false;
    }
    id_ = GetProcessId(process_.get());
    return true;
  }

  // Polls for the process's window; null when the process ends or the time runs out.
  HWND WaitForWindow() {
    window_ =
        desktop::WaitForWindowOf(process_.get(), target_.window_class, kStartTimeoutMs, kPollMs);
    if (window_) return window_;
    std::fwprintf(stderr, L"bench_launch: no %ls window from %ls\n", target_.window_class,
                  target_.path.c_str());
    return nullptr;
  }

  bool WaitForIdle() { return WaitForInputIdle(process_.get(), kStartTimeoutMs) == 0; }

  // Started, with its window, waiting for input.
  bool StartUp(const std::wstring& workdir) {
    return Start(workdir) && WaitForWindow() && WaitForIdle();
  }

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
    window_ = nullptr;
    close_requested_ = false;
    return clean;
  }

  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }
  const Target& target() const { return target_; }

 private:
  const Target& target_;
  afx::UniqueHandleT process_;
  DWORD id_ = 0;
  HWND window_ = nullptr;
  bool close_requested_ = false;
};

struct Options {
  std::wstring program;
  std::wstring minimal;
  std::wstring minimal_libs;
  std::wstring workdir;
  std::wstring companion;
  int runs = 5;
  int idle_seconds = 60;
  int presses = 3;
};

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring name = argv[i];
    const wchar_t* value = argv[i + 1];
    if (name == L"--program") {
      options->program = value;
    } else if (name == L"--minimal") {
      options->minimal = value;
    } else if (name == L"--minimal-libs") {
      options->minimal_libs = value;
    } else if (name == L"--workdir") {
      options->workdir = value;
    } else if (name == L"--companion") {
      options->companion = value;
    } else if (name == L"--runs") {
      options->runs = _wtoi(value);
    } else if (name == L"--idle") {
      options->idle_seconds = _wtoi(value);
    } else if (name == L"--presses") {
      options->presses = _wtoi(value);
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && !options->program.empty() && !options->minimal.empty() &&
         !options->minimal_libs.empty() && !options->workdir.empty() &&
         !options->companion.empty() && options->runs > 0 && options->idle_seconds > 0 &&
         options->presses >= 0;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintRuns(const std::string& key, const std::vector<double>& values) {
  std::printf("%s=", key.c_str());
  for (size_t i = 0; i < values.size(); ++i) std::printf(i ? ",%.1f" : "%.1f", values[i]);
  std::printf("\n");
}

void PrintMs(const std::string& key, double value) { std::printf("%s=%.1f\n", key.c_str(), value); }

// ---- start-up

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

struct Named {
  const char* name;
  const Target* target;
};

bool MeasureStartup(const std::vector<Named>& targets, const Options& options) {
  std::vector<StartupTimes> times(targets.size());
  StartupTimes warmup;
  // The first start of a session also starts Wine's desktop and shell.
  for (const Named& named : targets) {
    if (!MeasureStart(*named.target, options.workdir, &warmup)) return false;
  }
  for (int run = 0; run < options.runs; ++run) {
    // Rotating who goes first keeps any drift from favouring one of them.
    for (size_t i = 0; i < targets.size(); ++i) {
      const size_t which = (run + i) % targets.size();
      if (!MeasureStart(*targets[which].target, options.workdir, &times[which])) return false;
    }
  }
  std::printf("startup_runs=%d\n", options.runs);
  int terminated = 0;
  for (size_t i = 0; i < targets.size(); ++i) {
    const std::string name = targets[i].name;
    PrintMs("startup_" + name + "_ms", Median(times[i].window_ms));
    PrintMs("ready_" + name + "_ms", Median(times[i].idle_ms));
    PrintRuns("startup_" + name + "_runs", times[i].window_ms);
    terminated += times[i].terminated;
  }
  std::printf("startup_terminated=%d\n", terminated);
  return true;
}

// ---- idle

std::wstring RunEntry() {
  const std::wstring value = desktop::Variable(kRunVariable);
  return value.empty() ? value : std::wstring(kRunVariable) + L"=" + value;
}

int ButtonReadsSince(const ScanSim& sim, std::uint32_t seq) {
  int reads = 0;
  for (const auto& call : sim.CallsSince(seq))
    reads += call.call == scannersim::CALL_IS_BUTTON_PRESSED;
  return reads;
}

// Waits until the scanner's buttons are being polled.
bool WaitForPolling(const ScanSim& sim, const Target& target) {
  if (desktop::WaitUntil([&] { return ButtonReadsSince(sim, 0) > 0; }, kPollingTimeoutMs,
                         kPollMs)) {
    return true;
  }
  std::fwprintf(stderr, L"bench_launch: %ls does not poll the scanner's buttons\n",
                target.path.c_str());
  return false;
}

// Private bytes are the process's commit charge, which Windows gives as
// PrivateUsage and as PagefileUsage; Wine 8 fills only the latter (with the
// host process's private resident and swapped memory).
void PrintMemory(const char* name, HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof(counters))) {
    return;
  }
  const bool privateUsage = counters.PrivateUsage != 0;
  std::printf("memory_private_source=%s\n", privateUsage ? "PrivateUsage" : "PagefileUsage");
  std::printf("memory_%s_private_kib=%lu\n", name,
              static_cast<unsigned long>(
                  (privateUsage ? counters.PrivateUsage : counters.PagefileUsage) / kBytesPerKib));
  std::printf("memory_%s_working_set_kib=%lu\n", name,
              static_cast<unsigned long>(counters.WorkingSetSize / kBytesPerKib));
}

struct IdleSet {
  Process& program;
  Process& baseline;  // reads both buttons on every tick
  Process& minimal;
  ScanSim& sim;
  ScanSim& baseline_sim;
};

bool MeasureIdle(IdleSet& set, const Options& options) {
  if (!WaitForPolling(set.sim, set.program.target()) ||
      !WaitForPolling(set.baseline_sim, set.baseline.target())) {
    return false;
  }
  const std::uint32_t seq = set.sim.CallCount();
  const std::uint32_t baselineSeq = set.baseline_sim.CallCount();
  const std::wstring runEntry = RunEntry();
  bench::CpuClock programCpu(set.program.id(), set.program.target().path, runEntry);
  bench::CpuClock baselineCpu(set.baseline.id(), set.baseline.target().path, runEntry);
  programCpu.Start();
  baselineCpu.Start();
  Stopwatch idle;
  Sleep(static_cast<DWORD>(options.idle_seconds) * 1000);
  const double programSeconds = programCpu.Elapsed();
  const double baselineSeconds = baselineCpu.Elapsed();
  const double elapsed = idle.Milliseconds() / 1000;

  std::printf("idle_seconds=%.1f\n", elapsed);
  std::printf("idle_cpu_source=%s,%s\n", programCpu.Source(), baselineCpu.Source());
  std::printf("idle_program_cpu_s=%.4f\n", programSeconds);
  std::printf("idle_baseline_cpu_s=%.4f\n", baselineSeconds);
  std::printf("idle_program_button_reads=%d\n", ButtonReadsSince(set.sim, seq));
  std::printf("idle_baseline_button_reads=%d\n", ButtonReadsSince(set.baseline_sim, baselineSeq));
  std::printf("idle_expected_button_reads=%.0f\n",
              elapsed / kButtonPeriodSeconds * kButtonsReadPerTick);
  PrintMemory("program", set.program.handle());
  PrintMemory("baseline", set.baseline.handle());
  PrintMemory("minimal", set.minimal.handle());
  return true;
}

// ---- press to action

// Waits for the read of the right button, the last read of a tick (and of a
// right-button press's wait for release), calling `meanwhile` between polls.
bool WaitForTickEnd(
    const ScanSim& sim, const std::function<void()>& meanwhile = [] {}) {
  const std::uint32_t seq = sim.CallCount();
  return desktop::WaitUntil(
      [&] {
        meanwhile();
        for (const auto& call : sim.CallsSince(seq)) {
          if (call.call == scannersim::CALL_IS_BUTTON_PRESSED &&
              call.arg1 == scannersim::kRightButton) {
            return true;
          }
        }
        return false;
      },
      kActionTimeoutMs, kPollMs);
}

// Presses `button` just after a tick; `reaction` polls for the reaction and
// gives the counter's value when it began. The time between, in ms; negative
// when a step did not happen.
double Press(ScanSim& sim, int button, const std::function<bool(LONGLONG*)>& reaction) {
  if (!WaitForTickEnd(sim)) return -1;
  const LONGLONG pressed = Counter();
  sim.Press(button);
  LONGLONG reacted = 0;
  if (!desktop::WaitUntil([&] { return reaction(&reacted); }, kActionTimeoutMs, kPollMs)) return -1;
  return Milliseconds(pressed, reacted);
}

// The colour-scan library's call after `seq`.
bool ColourScanSince(const ScanSim& sim, std::uint32_t seq, LONGLONG* calledAt) {
  for (const auto& scan : sim.Scans()) {
    if (scan.seq <= seq) continue;
    *calledAt = scan.calledAt;
    return true;
  }
  return false;
}

// The companion's ScanCards after its first `known` calls.
bool ScanCardsAfter(const std::wstring& folder, size_t known, LONGLONG* calledAt) {
  const auto entries = companion::ReadLogEntries(folder);
  for (size_t i = known; i < entries.size(); ++i) {
    if (entries[i].line.rfind(kScanCardsCall, 0) != 0) continue;
    *calledAt = entries[i].calledAt;
    return true;
  }
  return false;
}

// The baseline's read of `button` that saw it pressed after `seq`.
bool PressReadSince(const ScanSim& sim, std::uint32_t seq, int button, LONGLONG* readAt) {
  for (const auto& call : sim.CallsSince(seq)) {
    if (call.call != scannersim::CALL_IS_BUTTON_PRESSED || call.arg1 != button ||
        call.result != 1) {
      continue;
    }
    *readAt = Counter();
    return true;
  }
  return false;
}

// The left button scans to e-mail: the temporary file, the colour-scan call,
// then the mail client or a message that there is none.
class EmailDestination {
 public:
  EmailDestination() {
    RegCreateKeyExW(HKEY_CURRENT_USER, ButtonManagerSettings::kKeyPath, 0, nullptr, 0,
                    KEY_READ | KEY_WRITE, nullptr, key_.put(), nullptr);
    DWORD size = sizeof(previous_);
    had_value_ =
        RegQueryValueExW(key_.get(), ButtonManagerSettings::kButtonLeftAction, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&previous_), &size) == ERROR_SUCCESS;
    Write(DESTINATION_EMAIL);
  }
  // The program writes its settings when it ends: this runs after that.
  ~EmailDestination() {
    if (had_value_) {
      Write(previous_);
    } else {
      RegDeleteValueW(key_.get(), ButtonManagerSettings::kButtonLeftAction);
    }
  }
  EmailDestination(const EmailDestination&) = delete;
  EmailDestination& operator=(const EmailDestination&) = delete;

 private:
  void Write(DWORD value) {
    RegSetValueExW(key_.get(), ButtonManagerSettings::kButtonLeftAction, 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&value), sizeof(value));
  }
  afx::UniqueRegKey key_;
  DWORD previous_ = 0;
  bool had_value_ = false;
};

// The companion's automation server, registered while it lives, free to scan.
class CompanionServer {
 public:
  explicit CompanionServer(const std::wstring& folder) : folder_(folder) {
    companion::ClearLog(folder_);
    companion::WriteControl(companion::kBusyValue, 0);
    registered_ =
        companion::RegisterServer(HKEY_LOCAL_MACHINE, folder_ + L"\\" + companion::kServerFileName);
  }
  ~CompanionServer() {
    companion::UnregisterServer(HKEY_LOCAL_MACHINE);
    RegDeleteTreeW(HKEY_CURRENT_USER, companion::kControlKey);
  }
  CompanionServer(const CompanionServer&) = delete;
  CompanionServer& operator=(const CompanionServer&) = delete;

  bool registered() const { return registered_; }

 private:
  std::wstring folder_;
  bool registered_ = false;
};

void PrintPresses(const char* name, const std::vector<double>& ms) {
  const std::string key = std::string("press_") + name;
  PrintRuns(key + "_runs", ms);
  PrintMs(key + "_median_ms", Median(ms));
  PrintMs(key + "_max_ms", ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()));
}

bool MeasurePresses(IdleSet& set, const Options& options) {
  CompanionServer server(options.companion);
  if (!server.registered()) {
    std::fwprintf(stderr, L"bench_launch: cannot register the companion's server\n");
    return false;
  }
  const DWORD programId = set.program.id();
  const auto closeShown = [&] { CloseShownWindows(programId); };
  std::vector<double> left, right, baseline;
  for (int i = 0; i < options.presses; ++i) {
    const std::uint32_t seq = set.sim.CallCount();
    left.push_back(Press(set.sim, scannersim::kLeftButton,
                         [&](LONGLONG* at) { return ColourScanSince(set.sim, seq, at); }));
    if (left.back() < 0) {
      std::fwprintf(stderr, L"bench_launch: the left button scans nothing\n");
      return false;
    }
    if (!WaitForTickEnd(set.sim, closeShown)) {
      std::fwprintf(stderr, L"bench_launch: the left button's action does not end\n");
      return false;
    }
  }
  for (int i = 0; i < options.presses; ++i) {
    const size_t known = companion::ReadLogEntries(options.companion).size();
    right.push_back(Press(set.sim, scannersim::kRightButton, [&](LONGLONG* at) {
      return ScanCardsAfter(options.companion, known, at);
    }));
    if (right.back() < 0 || !WaitForTickEnd(set.sim, closeShown)) {
      std::fwprintf(stderr, L"bench_launch: the right button reaches no ScanCards\n");
      return false;
    }
  }
  for (int i = 0; i < options.presses; ++i) {
    const std::uint32_t seq = set.baseline_sim.CallCount();
    baseline.push_back(Press(set.baseline_sim, scannersim::kLeftButton, [&](LONGLONG* at) {
      return PressReadSince(set.baseline_sim, seq, scannersim::kLeftButton, at);
    }));
    set.baseline_sim.Release(scannersim::kLeftButton);
    if (baseline.back() < 0) {
      std::fwprintf(stderr, L"bench_launch: the baseline does not read its press\n");
      return false;
    }
  }
  PrintPresses("left", left);
  PrintPresses("right", right);
  PrintPresses("baseline", baseline);
  return true;
}

bool MeasureRunning(const Target& program, const Target& baseline, const Target& minimal,
                    const Options& options, ScanSim& sim, ScanSim& baselineSim) {
  EmailDestination email;
  for (ScanSim* s : {&sim, &baselineSim}) {
    s->Reset();
    s->Attach();
  }
  Process programProcess(program);
  Process baselineProcess(baseline);
  Process minimalProcess(minimal);
  if (!programProcess.StartUp(options.workdir) || !baselineProcess.StartUp(options.workdir) ||
      !minimalProcess.StartUp(options.workdir)) {
    return false;
  }
  IdleSet set{programProcess, baselineProcess, minimalProcess, sim, baselineSim};
  const bool ok =
      MeasureIdle(set, options) && (options.presses == 0 || MeasurePresses(set, options));
  // All at once: under Wine taking an icon away can take seconds.
  for (Process* p : {&programProcess, &baselineProcess, &minimalProcess}) p->RequestClose();
  int terminated = 0;
  for (Process* p : {&programProcess, &baselineProcess, &minimalProcess}) {
    terminated += !p->Close();
  }
  std::printf("idle_terminated=%d\n", terminated);
  for (ScanSim* s : {&sim, &baselineSim}) s->Reset();
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fwprintf(stderr,
                  L"usage: bench_launch --program P --minimal M --minimal-libs L --workdir D "
                  L"--companion C [--runs N] [--idle SECONDS] [--presses N]\n");
    return 2;
  }
  const std::wstring baselineInstance =
      desktop::Variable(simshared::kInstanceVariable) + kBaselineInstanceSuffix;
  const Target program{options.program, CFrameWnd::kClassName, WM_COMMAND, ID_EXIT, L"", L""};
  const Target minimal{options.minimal, L"BenchMinimalTray", WM_CLOSE, 0, L"", L""};
  const Target minimalLibs{options.minimal_libs, L"BenchMinimalTray", WM_CLOSE, 0, L"", L""};
  const Target minimalCom{
      options.minimal_libs, L"BenchMinimalTray", WM_CLOSE, 0, kCoInitializeOption, L""};
  const Target polling{options.minimal_libs, L"BenchMinimalTray", WM_CLOSE, 0,
                       kPollDriverOption,    baselineInstance};
  if (FindWindowW(program.window_class, nullptr)) {
    std::fwprintf(stderr, L"bench_launch: the program already runs in this Wine session\n");
    return 2;
  }
  ScanSim sim;
  ScanSim baselineSim;
  if (!sim.Open() || !OpenSim(baselineSim, baselineInstance)) {
    std::fwprintf(stderr, L"bench_launch: cannot open the simulated scanners\n");
    return 2;
  }
  sim.Reset();
  sim.Attach();
  const bool ok = MeasureStartup({{"program", &program},
                                  {"minimal", &minimal},
                                  {"libs", &minimalLibs},
                                  {"com", &minimalCom}},
                                 options) &&
                  MeasureRunning(program, polling, minimal, options, sim, baselineSim);
  sim.Reset();
  std::fflush(stdout);
  return ok ? 0 : 1;
}
