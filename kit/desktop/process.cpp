#include "desktop/process.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace desktop {

namespace {

struct EnvironmentTraits {
  using Type = wchar_t*;
  static Type Invalid() { return nullptr; }
  static bool Close(Type strings) { return FreeEnvironmentStringsW(strings) != FALSE; }
};

// The entries that hold the drives' current folders start with '='.
std::wstring NameOf(const std::wstring& entry) { return entry.substr(0, entry.find(L'=', 1)); }

int CompareNames(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE);
}

// A copy of this process's environment with `changes` (NAME=value) merged
// in, as the block CreateProcess takes.
std::wstring EnvironmentWith(const std::vector<std::wstring>& changes) {
  std::vector<std::wstring> entries;
  const afx::UniqueHandle<EnvironmentTraits> strings(GetEnvironmentStringsW());
  for (const wchar_t* entry = strings.get(); entry && *entry; entry += wcslen(entry) + 1) {
    entries.emplace_back(entry);
  }
  for (const std::wstring& change : changes) {
    const std::wstring name = NameOf(change);
    auto same = std::find_if(entries.begin(), entries.end(), [&](const std::wstring& entry) {
      return CompareNames(NameOf(entry), name) == CSTR_EQUAL;
    });
    if (same != entries.end()) {
      *same = change;
    } else {
      entries.push_back(change);
    }
  }
  // Windows wants the block sorted by name, ignoring case, in Unicode order.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const std::wstring& a, const std::wstring& b) {
                     return CompareNames(NameOf(a), NameOf(b)) == CSTR_LESS_THAN;
                   });
  std::wstring block;
  for (const std::wstring& entry : entries) block.append(entry).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD ms, DWORD pollMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    Sleep(pollMs);
  }
}

std::wstring Variable(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::wstring();
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, &value[0], size);
  value.resize(length < size ? length : 0);
  return value;
}

afx::UniqueHandleT Start(const std::wstring& commandLine, const std::wstring& folder,
                         const std::vector<std::wstring>& changes) {
  std::wstring environment = changes.empty() ? std::wstring() : EnvironmentWith(changes);
  std::wstring line = commandLine;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      environment.empty() ? nullptr : &environment[0],
                      folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    return afx::UniqueHandleT();
  }
  const afx::UniqueHandleT thread(info.hThread);
  return afx::UniqueHandleT(info.hProcess);
}

Ran Run(const std::wstring& commandLine, const std::wstring& folder, DWORD ms) {
  Ran ran;
  const afx::UniqueHandleT process = Start(commandLine, folder);
  if (!process) {
    ran.code = GetLastError();
    std::fwprintf(stderr, L"desktop: %ls did not start (error %lu)\n", commandLine.c_str(),
                  ran.code);
    return ran;
  }
  if (WaitForSingleObject(process.get(), ms) != WAIT_OBJECT_0) {
    ran.outcome = Ran::STILL_RUNS;
    std::fwprintf(stderr, L"desktop: %ls still runs after %lu ms\n", commandLine.c_str(), ms);
    return ran;
  }
  ran.outcome =
      GetExitCodeProcess(process.get(), &ran.code) && ran.code == 0 ? Ran::DONE : Ran::FAILED;
  if (!ran) {
    std::fwprintf(stderr, L"desktop: %ls ended with exit code 0x%lx\n", commandLine.c_str(),
                  ran.code);
  }
  return ran;
}

bool Child::Start(const std::wstring& commandLine, const std::wstring& folder) {
  End();
  process_ = desktop::Start(commandLine, folder);
  return static_cast<bool>(process_);
}

bool Child::Ended(DWORD ms) const {
  return WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0;
}

long Child::ExitCode(DWORD ms) const {
  DWORD code = 0;
  if (!Ended(ms) || !GetExitCodeProcess(process_.get(), &code)) return -1;
  return static_cast<long>(code);
}

void Child::End() {
  if (process_ && !Ended(0)) TerminateProcess(process_.get(), 1);
  process_.reset();
}

}  // namespace desktop
