// CPU time (user + kernel) used by another process over an interval.
//
// Under Wine, GetProcessTimes does not follow another process (its figure
// does not move), and GetThreadTimes comes in whole 10 ms clock ticks, too
// coarse for a program that sleeps most of the time. So the host process
// that runs the Wine process is found through the Z: drive (/proc): its first
// argument is the image path, and its environment holds `run_entry`, which
// the host processes of one benchmark run inherit from the one that started
// it. The scheduler's nanosecond run times of its threads are summed. Where
// that is not possible the Windows thread times are summed instead. A thread
// that ends within the interval takes its time with it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

namespace bench {

class CpuClock {
 public:
  // `runEntry` is a "NAME=value" environment entry; empty: none.
  CpuClock(DWORD processId, const std::wstring& imagePath, const std::wstring& runEntry);

  // Starts the interval.
  void Start() { start_ = ThreadTimesNow(); }
  // Seconds of CPU used since Start.
  double Elapsed() const;
  // Where the times come from.
  const char* Source() const { return host_pid_ ? "host-scheduler" : "thread-times"; }

 private:
  // Thread id to run time in nanoseconds.
  using ThreadTimes = std::map<DWORD, std::uint64_t>;

  ThreadTimes ThreadTimesNow() const;
  ThreadTimes HostThreadTimes() const;
  ThreadTimes WindowsThreadTimes() const;

  DWORD process_id_;
  unsigned long host_pid_ = 0;
  ThreadTimes start_;
};

}  // namespace bench
