// The mail helper: the button manager starts it, as a program of the other
// architecture, when the default mail client's library is not of its own.
// It takes no library from anyone: it finds the client in the registry as
// the program does, runs one Simple MAPI round with the card and writes what
// happened to its standard output. It shows nothing of its own: the program
// tells the user.
#include <windows.h>

#include <objbase.h>

#include "mail/mailclient.h"
#include "mail/mailhelper.h"
#include "mail/mapisession.h"

namespace {

// A partial write leaves a report the program refuses, as it does no report.
bool WriteReport(const mail::HelperReport& report) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  return WriteFile(out, &report, sizeof(report), &written, nullptr) && written == sizeof(report);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  mail::HelperArguments arguments;
  if (!mail::ParseHelperCommandLine(GetCommandLineW(), &arguments)) return mail::kHelperRefused;
  // What the mail client starts must not hold the program's pipe open.
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE)
    SetHandleInformation(out, HANDLE_FLAG_INHERIT, 0);

  // As on the program's thread: some clients' compose windows need COM.
  const HRESULT com = CoInitialize(nullptr);
  mail::HelperReport report;
  mail::ReportingTeller teller(&report);
  wchar_t library[MAX_PATH];
  if (mail::FindClient(library) == mail::Route::IN_PROCESS) {
    const mail::MapiRequest request = {library, arguments.attachment, arguments.owner, false,
                                       GetACP()};
    report.result = mail::SendThroughLibrary(request, teller);
  } else {
    teller.Tell(mail::MAIL_NO_CLIENT, 0, nullptr);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return WriteReport(report) ? mail::kHelperReported : 1;
}
