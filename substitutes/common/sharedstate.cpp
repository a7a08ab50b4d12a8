#include "sharedstate.h"

#include <cwchar>

namespace simshared {

namespace {

class NameBuilder {
 public:
  explicit NameBuilder(wchar_t (&out)[kNameCapacity]) : out_(out) { out_[0] = L'\0'; }
  void Add(const wchar_t* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
      if (used_ + 1 >= kNameCapacity) {
        ok_ = false;
        return;
      }
      out_[used_++] = text[i];
    }
    out_[used_] = L'\0';
  }
  void Add(const wchar_t* text) { Add(text, wcslen(text)); }
  bool ok() const { return ok_; }

 private:
  wchar_t (&out_)[kNameCapacity];
  size_t used_ = 0;
  bool ok_ = true;
};

}  // namespace

bool InstanceName(wchar_t (&out)[kNameCapacity], const wchar_t* prefix, const wchar_t* base) {
  wchar_t instance[64] = L"";
  if (GetEnvironmentVariableW(kInstanceVariable, instance, 64) >= 64) instance[0] = L'\0';
  for (wchar_t* c = instance; *c != L'\0'; ++c) {
    if (*c == L'\\' || *c == L'/' || *c == L':') *c = L'_';
  }
  NameBuilder name(out);
  name.Add(prefix);
  if (instance[0] == L'\0') {
    name.Add(base);
    return name.ok();
  }
  // A file name keeps its extension last.
  const wchar_t* dot = wcsrchr(base, L'.');
  name.Add(base, dot != nullptr ? static_cast<size_t>(dot - base) : wcslen(base));
  name.Add(L"-");
  name.Add(instance);
  if (dot != nullptr) name.Add(dot);
  return name.ok();
}

MutexLock::MutexLock(HANDLE mutex) : mutex_(mutex) {
  const DWORD r = WaitForSingleObject(mutex_, INFINITE);
  owned_ = (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED);
}

MutexLock::~MutexLock() {
  if (owned_) ReleaseMutex(mutex_);
}

bool SharedBlock::Open(const BlockNames& names, size_t size, Prepare prepare) {
  if (view_) return true;
  wchar_t mutexName[kNameCapacity];
  wchar_t mappingName[kNameCapacity];
  if (!InstanceName(mutexName, L"", names.mutex) ||
      !InstanceName(mappingName, L"", names.mapping)) {
    return false;
  }
  afx::UniqueHandleT mutex(CreateMutexW(nullptr, FALSE, mutexName));
  if (!mutex) return false;

  MutexLock lock(mutex.get());
  afx::UniqueHandleT mapping(OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, mappingName));
  const bool created = !mapping;
  if (created) {
    afx::UniqueFile backing;
    wchar_t temp[MAX_PATH + 1];
    wchar_t path[kNameCapacity];
    const DWORD n = names.file != nullptr ? GetTempPathW(MAX_PATH + 1, temp) : 0;
    if (n > 0 && n <= MAX_PATH && InstanceName(path, temp, names.file)) {
      backing.reset(CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    // Without a file the block still works, it just ends with the last process.
    mapping.reset(CreateFileMappingW(backing.get(), nullptr, PAGE_READWRITE, 0,
                                     static_cast<DWORD>(size), mappingName));
    if (!mapping) return false;
  }
  afx::UniqueMappedView view(
      MapViewOfFile(mapping.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size));
  if (!view) return false;
  prepare(view.get(), created);
  view_ = std::move(view);
  mapping_ = std::move(mapping);
  mutex_ = std::move(mutex);
  return true;
}

}  // namespace simshared
