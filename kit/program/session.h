// What the scenarios and the fault table share: the one program of the run,
// the tray as the user sees it, the substitutes' state, and the presses of
// the scanner's buttons with what the user does in the windows they open.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "mailstate.h"
#include "program/installed.h"
#include "program/screen.h"
#include "simstate.h"

namespace e2e {

// Whom the cards are mailed to.
constexpr wchar_t kRecipient[] = L"dana.whitfield@harbourline.example";

Program& TheProgram();
const Tray& TheTray();
scannersim::Control& TheScanner();
mailsim::Control& TheMail();

// Where the program scans the card that it mails: the user's temporary folder.
std::wstring MailedCard();
// The messages in the mail client's outbox.
std::vector<std::wstring> SentMessages();
std::string ReadWhole(const std::wstring& path);

bool IsSaveAs(HWND window);
// The Save-as dialog of the program, when one comes within `ms`.
HWND WaitForSaveAs(DWORD ms = kDeadlineMs);
// Picks file type `index` (0-based), types `name` and saves.
void SaveAs(HWND dialog, int type, const std::wstring& name);
bool IsCompose(HWND window);
// The mail client's compose window, when one comes within `ms`.
HWND WaitForCompose(DWORD ms = kDeadlineMs);
// Addresses the message and sends it.
void SendMessageTo(HWND compose, const std::wstring& address);

// Copies `file` into the output folder as `name`.
void Keep(const std::wstring& file, const std::wstring& name);
// Keeps `file` for the host's check that it is a picture of `format` (the
// name ImageMagick gives the format).
void KeepForIdentify(const std::wstring& file, const std::wstring& format,
                     const std::wstring& label);

}  // namespace e2e
