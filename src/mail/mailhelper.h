// The mail helper: a small program of the other architecture beside the
// button manager, for a default mail client whose library this process
// cannot load. It takes the owner window and the card on its command line,
// finds the client in the registry itself, runs the same Simple MAPI round
// and reports what happened on its standard output; the program then tells
// the user exactly what it would have told in process.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "mail/mapisession.h"

namespace mail {

constexpr wchar_t kHelperName32[] = L"ButtonManagerMail32.exe";
constexpr wchar_t kHelperName64[] = L"ButtonManagerMail64.exe";
constexpr const wchar_t* kOwnHelperName = sizeof(void*) == 8 ? kHelperName64 : kHelperName32;
constexpr const wchar_t* kOtherHelperName = sizeof(void*) == 8 ? kHelperName32 : kHelperName64;

// The helper's exit codes.
constexpr DWORD kHelperReported = 0;  // the report is on its standard output
constexpr DWORD kHelperRefused = 2;   // the command line is not one the program gives

struct HelperArguments {
  HWND owner = nullptr;
  wchar_t attachment[MAX_PATH] = L"";
};

// `"helper" /owner N /attach "card"`, or empty when the card's path cannot
// be quoted whole.
std::wstring HelperCommandLine(const wchar_t* helper, HWND owner, const wchar_t* attachment);
// Only the command line that HelperCommandLine gives. It never takes a
// library: the client's library comes from the registry, so the helper
// cannot be made to load any other.
bool ParseHelperCommandLine(const wchar_t* commandLine, HelperArguments* arguments);

// What the helper writes: every event told, in order, and the result.
struct HelperReport {
  static constexpr std::uint32_t kMagic = 0x4C49414D;  // "MAIL"
  static constexpr std::uint32_t kCapacity = 4;

  std::uint32_t magic = kMagic;
  std::uint32_t size = sizeof(HelperReport);
  std::int32_t result = 0;
  std::uint32_t count = 0;
  struct Entry {
    std::uint32_t event;
    std::uint32_t code;
    wchar_t detail[MAX_PATH];
  } entries[kCapacity] = {};
};

// A teller that writes into a report.
class ReportingTeller : public MailTeller {
 public:
  explicit ReportingTeller(HelperReport* report) : report_(report) {}
  void Tell(MailEvent event, ULONG code, const wchar_t* detail) override;

 private:
  HelperReport* report_;
};

// AllowSetForegroundWindow, which tests replace: Windows lets the helper's
// compose window come forward only when the program hands its right over.
inline BOOL(WINAPI* allow_set_foreground_window)(DWORD) = AllowSetForegroundWindow;

// Starts the helper at `helper` for `attachment`, answers the thread's
// messages until it ends and tells `teller` what it reported, or
// MAIL_HELPER_FAILED. 1 when the message went and the session closed cleanly.
std::int32_t SendThroughHelper(const wchar_t* helper, const wchar_t* attachment, HWND owner,
                               MailTeller& teller);

}  // namespace mail
