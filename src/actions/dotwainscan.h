// What the scanner's buttons do.
#pragma once

#include <windows.h>

#include <cstdint>

class dotwainscan {
 public:
  // Paths are held in buffers of this many characters.
  static constexpr DWORD kPathLength = MAX_PATH;

  dotwainscan() = default;
  ~dotwainscan() = default;

  // Left button: the destination chosen in the settings; -1 for none.
  std::int32_t DoLeftButtonAction();
  // Right button: the card goes to the companion OCR application.
  std::int32_t DoRightButtonAction();

  // Asks for a file name and scans the card into it: 0, or the negative
  // result of AskSaveFileName when no name was given.
  std::int32_t ScanToFile();
  // The Save-as dialog; `path` holds kPathLength characters. 0 when the user
  // confirmed a name, -1 otherwise.
  std::int32_t AskSaveFileName(HWND owner, wchar_t* path);

  // Scans the card into the temporary file and attaches it to a new message
  // in the default mail client. Always 0.
  std::int32_t ScanToEmail();
  // The temporary folder with a trailing backslash; 0 (and an empty text)
  // when the platform gives none that fits with room for a file name.
  std::int32_t GetTempFolder(wchar_t* buffer);
  // The expanded path of the Simple MAPI library of the default mail client
  // in this program's registry view: 1, or 0 when there is none or it does
  // not fit.
  std::int32_t GetMailClientLibrary(wchar_t* path);
  // Simple MAPI logon, send with the compose window, logoff, in process or
  // through the mail helper when the client is of the other architecture: 1
  // when the message was handed over and the session closed cleanly.
  std::int32_t SendMailWithAttachment(const wchar_t* path);

  // Whether the scanner package's colour-scan library loads with both of its
  // functions. It loads on its first call, and a call into a library that is
  // not there would end the program, so every scan asks first. Once loaded
  // it stays for the life of the process.
  static bool ColourScanLibraryReady();
  // The library's name; tests replace it.
  static inline const wchar_t* colour_scan_library = L"ovrapixlw.dll";

  // The code page of the attachment path handed to the mail client: the
  // system's ANSI code page, which tests replace.
  static inline UINT (*ansi_code_page)() = [] { return GetACP(); };

 private:
  // The colour-scan library in the language of the moment: true when the
  // scan left an image at `path` that was not there before.
  static bool ScanCard(const wchar_t* path);
  class MailUser;

  // Why a press ended without what the user asked for: localized text `id`
  // with `detail` in its "%s", owned by the program's window.
  static void TellUser(UINT id, UINT icon, const wchar_t* detail = nullptr);
};
