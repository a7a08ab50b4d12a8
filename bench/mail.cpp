// Press to compose window, in process and through the mail helper: the time
// from the start of the Simple MAPI round to the client's compose window on
// screen, the median of several rounds each. The client is the simulated one
// beside this program (its own architecture's; other/ holds the other's),
// registered as the default in the matching registry view for the rounds.
// Prints key=value lines for scripts/bench.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "composeids.h"
#include "framework/modulepath.h"
#include "mail/mailclient.h"
#include "mail/mailhelper.h"
#include "mail/mapisession.h"
#include "mailstate.h"

namespace {

constexpr wchar_t kClientsKey[] = L"software\\clients\\mail";
constexpr wchar_t kClientKey[] = L"software\\clients\\mail\\Sim Mail";
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

class Quiet : public mail::MailTeller {
 public:
  void Tell(mail::MailEvent event, ULONG, const wchar_t*) override { failed = event; }
  mail::MailEvent failed = mail::MAIL_EVENT_END;
};

void SetText(REGSAM view, const wchar_t* key, const wchar_t* name, const std::wstring& text) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
}

// Only `library` as the default client, in `view`.
void Register(REGSAM view, const std::wstring& library) {
  for (REGSAM each : {static_cast<REGSAM>(0), kOtherView}) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClientsKey, 0, KEY_ALL_ACCESS | each, &handle) ==
        ERROR_SUCCESS) {
      RegDeleteValueW(handle, nullptr);
      RegCloseKey(handle);
    }
  }
  SetText(view, kClientsKey, nullptr, L"Sim Mail");
  SetText(view, kClientKey, L"dllpath", library);
}

// Milliseconds from `round` starting to the compose window showing, which is
// then discarded; negative when it did not come.
template <typename Round>
double TimeToCompose(Round round) {
  LARGE_INTEGER frequency, start;
  QueryPerformanceFrequency(&frequency);
  std::atomic<LONGLONG> shown{0};
  std::atomic<bool> done{false};
  std::thread watcher([&] {
    while (!done) {
      HWND compose = FindWindowW(nullptr, mailsim::kComposeTitle);
      if (compose != nullptr && IsWindowVisible(compose)) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        shown = now.QuadPart;
        PostMessageW(compose, WM_COMMAND, MAKEWPARAM(IDC_DISCARD, BN_CLICKED), 0);
        return;
      }
      Sleep(1);
    }
  });
  QueryPerformanceCounter(&start);
  round();
  done = true;
  watcher.join();
  if (shown == 0) return -1;
  return static_cast<double>(shown - start.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = 11;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wcscmp(argv[i], L"--runs") == 0) runs = std::max(1, _wtoi(argv[i + 1]));
  }
  mailsim::Control state;
  if (!state.Open()) return 1;
  state.Reset();
  const std::wstring here = afx::FolderOf(afx::ModuleFileName(nullptr));
  const std::wstring library = here + L"\\simmapi.dll";
  const std::wstring ownHelper = here + L"\\" + mail::kOwnHelperName;
  const std::wstring otherHelper = here + L"\\" + mail::kOtherHelperName;
  const std::wstring card = here + L"\\card.jpg";
  if (FILE* f = _wfopen(card.c_str(), L"wb")) {
    std::fputs("card", f);
    std::fclose(f);
  }

  struct Way {
    const char* key;
    REGSAM view;
    std::wstring client;
    std::wstring helper;  // empty: in process
  };
  std::vector<Way> ways = {{"mail_inprocess_ms", 0, library, L""},
                           {"mail_helper_ms", 0, library, ownHelper}};
  if (mail::HasOtherView()) {
    ways.push_back(
        {"mail_other_helper_ms", kOtherView, here + L"\\other\\simmapi.dll", otherHelper});
  }
  int status = 0;
  for (const Way& way : ways) {
    Register(way.view, way.client);
    std::vector<double> times;
    // The first round warms the file cache and is not counted.
    for (int i = 0; i <= runs; ++i) {
      Quiet teller;
      const double ms = TimeToCompose([&] {
        if (way.helper.empty()) {
          const mail::MapiRequest request = {way.client.c_str(), card.c_str(), nullptr, false,
                                             GetACP()};
          mail::SendThroughLibrary(request, teller);
        } else {
          mail::SendThroughHelper(way.helper.c_str(), card.c_str(), nullptr, teller);
        }
      });
      if (ms < 0) break;
      if (i > 0) times.push_back(ms);
    }
    if (static_cast<int>(times.size()) != runs) {
      std::printf("%s=n/a\n", way.key);
      // The other architecture's helper needs a host that runs its programs.
      if (way.view == 0) status = 1;
      continue;
    }
    std::printf("%s=%.1f\n", way.key, Median(times));
  }
  Register(0, library);
  return status;
}
