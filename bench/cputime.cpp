#include "cputime.h"

#include <cstdlib>
#include <cwchar>
#include <string>
#include <tlhelp32.h>

#include "framework/unique_handle.h"

namespace bench {

namespace {

constexpr wchar_t kHostProcesses[] = L"Z:\\proc\\";
constexpr double kNanosecondsPerSecond = 1e9;
constexpr std::uint64_t kNanosecondsPerTick = 100;

using afx::UniqueFile;
using afx::UniqueFind;

std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The whole of a small file; files under /proc have no size to ask for.
std::string ReadSmallFile(const std::wstring& path) {
  std::string content;
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return content;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    content.append(buffer, read);
  }
  return content;
}

// Calls visit(name) for each entry of `folder` whose name is a number.
template <typename Visit>
void ForEachNumberedEntry(const std::wstring& folder, Visit visit) {
  WIN32_FIND_DATAW found;
  UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &found));
  if (!find) return;
  do {
    wchar_t* end = nullptr;
    const unsigned long number = std::wcstoul(found.cFileName, &end, 10);
    if (number != 0 && *end == L'\0') visit(number);
  } while (FindNextFileW(find.get(), &found));
}

bool EnvironmentHolds(const std::string& environment, const std::string& entry) {
  size_t start = 0;
  while (start < environment.size()) {
    const size_t end = environment.find('\0', start);
    const size_t length = (end == std::string::npos ? environment.size() : end) - start;
    if (environment.compare(start, length, entry) == 0) return true;
    start += length + 1;
  }
  return false;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

unsigned long FindHostProcess(const std::wstring& imagePath, const std::wstring& runEntry) {
  unsigned long host = 0;
  if (runEntry.empty()) return host;
  const std::string image = Narrow(imagePath);
  const std::string entry = Narrow(runEntry);
  ForEachNumberedEntry(kHostProcesses, [&](unsigned long pid) {
    if (host) return;
    const std::wstring folder = kHostProcesses + std::to_wstring(pid) + L"\\";
    const std::string arguments = ReadSmallFile(folder + L"cmdline");
    if (lstrcmpiA(arguments.c_str(), image.c_str()) != 0) return;
    if (EnvironmentHolds(ReadSmallFile(folder + L"environ"), entry)) host = pid;
  });
  return host;
}

}  // namespace

CpuClock::CpuClock(DWORD processId, const std::wstring& imagePath, const std::wstring& runEntry)
    : process_id_(processId), host_pid_(FindHostProcess(imagePath, runEntry)) {}

double CpuClock::Elapsed() const {
  std::uint64_t total = 0;
  for (const auto& [id, now] : ThreadTimesNow()) {
    const auto before = start_.find(id);
    total += now - (before != start_.end() ? before->second : 0);
  }
  return static_cast<double>(total) / kNanosecondsPerSecond;
}

CpuClock::ThreadTimes CpuClock::ThreadTimesNow() const {
  return host_pid_ ? HostThreadTimes() : WindowsThreadTimes();
}

CpuClock::ThreadTimes CpuClock::HostThreadTimes() const {
  ThreadTimes times;
  const std::wstring tasks = kHostProcesses + std::to_wstring(host_pid_) + L"\\task\\";
  ForEachNumberedEntry(tasks, [&](unsigned long tid) {
    // The first field is the time spent running, in nanoseconds.
    const std::string stat = ReadSmallFile(tasks + std::to_wstring(tid) + L"\\schedstat");
    if (!stat.empty()) times[tid] = std::strtoull(stat.c_str(), nullptr, 10);
  });
  return times;
}

CpuClock::ThreadTimes CpuClock::WindowsThreadTimes() const {
  ThreadTimes times;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return times;
  UniqueFile owned(snapshot);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != process_id_) continue;
    afx::UniqueHandleT thread(
        OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID));
    FILETIME created, exited, kernel, user;
    if (thread && GetThreadTimes(thread.get(), &created, &exited, &kernel, &user)) {
      times[entry.th32ThreadID] = (Ticks(kernel) + Ticks(user)) * kNanosecondsPerTick;
    }
  }
  return times;
}

}  // namespace bench
