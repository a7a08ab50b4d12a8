// Both ends of the mail helper's protocol: its command line and report, and
// the program's side that starts it and waits.
#include <windows.h>

#include <cwchar>
#include <vector>

#include "framework/pump.h"
#include "framework/unique_handle.h"
#include "mail/mailhelper.h"

namespace mail {

namespace {

constexpr wchar_t kOwnerSwitch[] = L"/owner";
constexpr wchar_t kAttachSwitch[] = L"/attach";
constexpr DWORD kPipeBytes = 2 * sizeof(HelperReport);

// The words of a command line as HelperCommandLine writes them: separated by
// spaces, a word in quotes may hold spaces. Without escapes, as no word of
// ours holds a quote; false for anything else, such as a word that ends in a
// backslash before its closing quote, which other parsers read as an escape.
bool SplitCommandLine(const wchar_t* line, std::vector<std::wstring>* words) {
  words->clear();
  const wchar_t* c = line;
  for (;;) {
    while (*c == L' ' || *c == L'\t') ++c;
    if (*c == L'\0') return true;
    std::wstring word;
    if (*c == L'"') {
      const wchar_t* end = wcschr(c + 1, L'"');
      if (end == nullptr || (end > c + 1 && end[-1] == L'\\')) return false;
      word.assign(c + 1, end);
      c = end + 1;
      if (*c != L'\0' && *c != L' ' && *c != L'\t') return false;
    } else {
      const wchar_t* start = c;
      while (*c != L'\0' && *c != L' ' && *c != L'\t') {
        if (*c == L'"') return false;
        ++c;
      }
      word.assign(start, c);
    }
    words->push_back(word);
  }
}

struct AttributeListDeleter {
  LPPROC_THREAD_ATTRIBUTE_LIST list;
  ~AttributeListDeleter() {
    if (list) DeleteProcThreadAttributeList(list);
  }
};

bool ParseOwner(const wchar_t* text, HWND* owner) {
  if (text[0] == L'\0' || wcslen(text) > 10) return false;
  unsigned long long value = 0;
  for (const wchar_t* c = text; *c; ++c) {
    if (*c < L'0' || *c > L'9') return false;
    value = value * 10 + static_cast<unsigned>(*c - L'0');
  }
  if (value > 0xFFFFFFFFull) return false;
  // Window handles keep 32 significant bits on both architectures.
  *owner = static_cast<HWND>(ULongToHandle(static_cast<ULONG>(value)));
  return true;
}

// The report, read whole after the helper ended; false when it is not one.
bool ReadReport(HANDLE pipe, HelperReport* report) {
  DWORD total = 0;
  auto* bytes = reinterpret_cast<BYTE*>(report);
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) break;
    if (total + available > sizeof(*report)) return false;
    DWORD read = 0;
    if (!ReadFile(pipe, bytes + total, available, &read, nullptr) || read == 0) break;
    total += read;
  }
  if (total != sizeof(*report) || report->magic != HelperReport::kMagic ||
      report->size != sizeof(*report) || report->count > HelperReport::kCapacity) {
    return false;
  }
  for (std::uint32_t i = 0; i < report->count; ++i) {
    HelperReport::Entry& entry = report->entries[i];
    if (entry.event < MAIL_NO_CLIENT || entry.event >= MAIL_HELPER_FAILED) return false;
    entry.detail[MAX_PATH - 1] = L'\0';
  }
  return true;
}

}  // namespace

std::wstring HelperCommandLine(const wchar_t* helper, HWND owner, const wchar_t* attachment) {
  // A quote cannot stand in a path, and a backslash before the closing
  // quote would escape it.
  const size_t length = wcslen(attachment);
  if (length == 0 || length >= MAX_PATH || wcschr(attachment, L'"') != nullptr ||
      attachment[length - 1] == L'\\' || wcschr(helper, L'"') != nullptr) {
    return std::wstring();
  }
  return L"\"" + std::wstring(helper) + L"\" " + kOwnerSwitch + L" " +
         std::to_wstring(HandleToULong(owner)) + L" " + kAttachSwitch + L" \"" + attachment + L"\"";
}

bool ParseHelperCommandLine(const wchar_t* commandLine, HelperArguments* arguments) {
  std::vector<std::wstring> args;
  if (!SplitCommandLine(commandLine, &args) || args.size() != 5) return false;
  if (args[1] != kOwnerSwitch || args[3] != kAttachSwitch) return false;
  if (args[4].empty() || args[4].size() >= MAX_PATH) return false;
  if (!ParseOwner(args[2].c_str(), &arguments->owner)) return false;
  wcscpy(arguments->attachment, args[4].c_str());
  return true;
}

void ReportingTeller::Tell(MailEvent event, ULONG code, const wchar_t* detail) {
  if (report_->count >= HelperReport::kCapacity) return;
  HelperReport::Entry& entry = report_->entries[report_->count++];
  entry.event = event;
  entry.code = code;
  entry.detail[0] = L'\0';
  if (detail != nullptr) {
    wcsncpy(entry.detail, detail, MAX_PATH - 1);
    entry.detail[MAX_PATH - 1] = L'\0';
  }
}

std::int32_t SendThroughHelper(const wchar_t* helper, const wchar_t* attachment, HWND owner,
                               MailTeller& teller) {
  std::wstring commandLine = HelperCommandLine(helper, owner, attachment);
  if (commandLine.empty()) {
    teller.Tell(MAIL_PATH_NOT_ANSI, 0, attachment);
    return 0;
  }
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  afx::UniqueHandleT reader;
  afx::UniqueHandleT writer;
  {
    HANDLE r = nullptr;
    HANDLE w = nullptr;
    if (CreatePipe(&r, &w, &inheritable, kPipeBytes)) {
      reader.reset(r);
      writer.reset(w);
      SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
    }
  }
  if (!writer) {
    teller.Tell(MAIL_HELPER_FAILED, 0, helper);
    return 0;
  }

  // Only the pipe goes to the helper, not whatever else of ours is inheritable.
  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof(startup);
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdOutput = writer.get();
  HANDLE inherited[] = {writer.get()};
  SIZE_T listBytes = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &listBytes);
  alignas(void*) BYTE listStorage[256];
  AttributeListDeleter list = {nullptr};
  DWORD flags = CREATE_SUSPENDED;
  if (listBytes <= sizeof(listStorage)) {
    auto* candidate = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listStorage);
    if (InitializeProcThreadAttributeList(candidate, 1, 0, &listBytes)) {
      list.list = candidate;
      if (UpdateProcThreadAttribute(candidate, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                    sizeof(inherited), nullptr, nullptr)) {
        startup.lpAttributeList = candidate;
        flags |= EXTENDED_STARTUPINFO_PRESENT;
      }
    }
  }
  startup.StartupInfo.cb = startup.lpAttributeList ? sizeof(startup) : sizeof(STARTUPINFOW);

  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(helper, &commandLine[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                      &startup.StartupInfo, &process)) {
    teller.Tell(MAIL_HELPER_FAILED, GetLastError(), helper);
    return 0;
  }
  afx::UniqueHandleT processHandle(process.hProcess);
  afx::UniqueHandleT thread(process.hThread);
  writer.reset();
  // Before it runs: its compose window is the next thing the user sees.
  allow_set_foreground_window(process.dwProcessId);
  ResumeThread(thread.get());
  afx::WaitPumpingMessages(processHandle.get());

  DWORD exitCode = STILL_ACTIVE;
  GetExitCodeProcess(processHandle.get(), &exitCode);
  HelperReport report;
  if (exitCode != kHelperReported || !ReadReport(reader.get(), &report)) {
    teller.Tell(MAIL_HELPER_FAILED, exitCode, helper);
    return 0;
  }
  for (std::uint32_t i = 0; i < report.count; ++i) {
    const HelperReport::Entry& entry = report.entries[i];
    teller.Tell(static_cast<MailEvent>(entry.event), entry.code,
                entry.detail[0] != L'\0' ? entry.detail : nullptr);
  }
  return report.result == 1 ? 1 : 0;
}

}  // namespace mail
