#include "program/session.h"

#include "composeids.h"
#include "desktop/user.h"

namespace e2e {

Program& TheProgram() {
  static Program program(TheTray());
  return program;
}

const Tray& TheTray() {
  static const Tray tray(Installed().program);
  return tray;
}

// Both stay open for the whole run, so that every process sees the same
// scanner and mail client whatever its temporary folder.
scannersim::Control& TheScanner() {
  static scannersim::Control scanner;
  scanner.Open();
  return scanner;
}

mailsim::Control& TheMail() {
  static mailsim::Control mail;
  mail.Open();
  return mail;
}

std::wstring MailedCard() { return Installed().temp + L"corvante.jpg"; }

std::vector<std::wstring> SentMessages() { return FilesIn(TheMail().Outbox(), L"*.eml"); }

std::string ReadWhole(const std::wstring& path) {
  std::string content;
  const afx::UniqueFile file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size = {};
  if (!file || !GetFileSizeEx(file.get(), &size)) return content;
  content.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!content.empty()) {
    ReadFile(file.get(), &content[0], static_cast<DWORD>(content.size()), &read, nullptr);
  }
  content.resize(read);
  return content;
}

bool IsSaveAs(HWND window) {
  return desktop::FileNameEdit(window) != nullptr && desktop::FileTypeCombo(window) != nullptr;
}

HWND WaitForSaveAs(DWORD ms) { return WaitForWindow(TheProgram().id(), IsSaveAs, ms); }

void SaveAs(HWND dialog, int type, const std::wstring& name) {
  // Let the dialog finish setting itself up before a user types into it.
  Sleep(100);
  desktop::ChooseFileType(dialog, type);
  desktop::SaveAs(dialog, name);
}

bool IsCompose(HWND window) { return desktop::TextOf(window) == mailsim::kComposeTitle; }

HWND WaitForCompose(DWORD ms) { return WaitForWindow(TheProgram().id(), IsCompose, ms); }

void SendMessageTo(HWND compose, const std::wstring& address) {
  Sleep(100);
  desktop::SetItemText(compose, IDC_TO, address);
  desktop::Press(compose, IDC_SEND);
}

void Keep(const std::wstring& file, const std::wstring& name) {
  const std::wstring path = Installed().output + L"\\" + name;
  CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
  CopyFileW(file.c_str(), path.c_str(), FALSE);
}

void KeepForIdentify(const std::wstring& file, const std::wstring& format,
                     const std::wstring& label) {
  const size_t dot = file.rfind(L'.');
  const std::wstring extension = dot == std::wstring::npos ? L"" : file.substr(dot);
  Keep(file, L"identify\\" + format + L"-" + label + extension);
}

}  // namespace e2e
