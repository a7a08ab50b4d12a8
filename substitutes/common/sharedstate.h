// State that several processes share: a block of named shared memory with a
// named mutex guarding it. Setting KDV310_SIM_INSTANCE to a short name gives a
// separate block (the names get "-<name>" appended); child processes inherit
// it, so parallel test programs do not disturb each other.
#pragma once

#include <windows.h>

#include <cstddef>

#include "framework/unique_handle.h"

namespace simshared {

constexpr wchar_t kInstanceVariable[] = L"KDV310_SIM_INSTANCE";
constexpr size_t kNameCapacity = MAX_PATH + 64;

// `prefix` and `base`, with "-<instance>" before base's extension when
// KDV310_SIM_INSTANCE is set. A fixed buffer, so that a library's first call
// allocates nothing; false when the name does not fit.
bool InstanceName(wchar_t (&out)[kNameCapacity], const wchar_t* prefix, const wchar_t* base);

// Holds a named mutex; an abandoned mutex (a holder died) is still ours.
class MutexLock {
 public:
  explicit MutexLock(HANDLE mutex);
  ~MutexLock();
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  HANDLE mutex_;
  bool owned_ = false;
};

struct BlockNames {
  const wchar_t* mutex;
  const wchar_t* mapping;
  // A file in the temporary folder that keeps the block when no process has
  // it open; null: the block ends with the last process.
  const wchar_t* file;
};

class SharedBlock {
 public:
  // Runs under the lock before the block is used; `created`: no process had it open.
  using Prepare = void (*)(void* block, bool created);

  // Creates or opens the block; idempotent.
  bool Open(const BlockNames& names, size_t size, Prepare prepare);
  void* get() const { return view_.get(); }
  HANDLE mutex() const { return mutex_.get(); }

 private:
  afx::UniqueHandleT mutex_;
  afx::UniqueHandleT mapping_;
  afx::UniqueMappedView view_;
};

// A block that holds one `State`, a plain structure with a member
// `void Prepare(bool created)` that checks or initialises it. Every access
// holds the lock; without an open block, reads give the value passed as
// `closed` and changes do nothing.
template <typename State>
class SharedState {
 public:
  bool Open(const BlockNames& names) {
    return block_.Open(names, sizeof(State), [](void* block, bool created) {
      static_cast<State*>(block)->Prepare(created);
    });
  }
  bool IsOpen() const { return block_.get() != nullptr; }

  template <typename Change>
  void With(Change&& change) {
    if (State* state = get()) {
      MutexLock lock(block_.mutex());
      change(*state);
    }
  }
  template <typename Result, typename Change>
  Result With(Result closed, Change&& change) {
    State* state = get();
    if (state == nullptr) return closed;
    MutexLock lock(block_.mutex());
    return change(*state);
  }
  template <typename Result, typename Read>
  Result With(Result closed, Read&& read) const {
    const State* state = get();
    if (state == nullptr) return closed;
    MutexLock lock(block_.mutex());
    return read(*state);
  }

 private:
  State* get() const { return static_cast<State*>(block_.get()); }

  SharedBlock block_;
};

// The control object that a library keeps for its process, opened on the
// first call; null when it cannot be opened.
template <typename Control>
Control* ProcessControl() {
  static Control control;
  static const bool opened = control.Open();
  return opened ? &control : nullptr;
}

}  // namespace simshared
