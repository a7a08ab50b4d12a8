// What the simulated components share: a handle that closes itself, a lock on
// a named mutex that several processes use, and UTF-8 text for their logs and
// messages.
#pragma once

#include <windows.h>

#include <string>

namespace simshared {

class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE h) : h_(h) {}
  ~ScopedHandle() { reset(nullptr); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE get() const { return h_; }
  void reset(HANDLE h) {
    if (h_ != nullptr && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = h;
  }
  HANDLE release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }

 private:
  HANDLE h_ = nullptr;
};

// Holds the named mutex; an abandoned mutex (a holder died) is still ours.
class MutexLock {
 public:
  explicit MutexLock(HANDLE mutex) : mutex_(mutex) {
    const DWORD r = WaitForSingleObject(mutex_, INFINITE);
    owned_ = (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED);
  }
  ~MutexLock() {
    if (owned_) ReleaseMutex(mutex_);
  }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  HANDLE mutex_;
  bool owned_ = false;
};

inline std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &out[0], bytes, nullptr, nullptr);
  return out;
}

}  // namespace simshared
