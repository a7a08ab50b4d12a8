#include <fstream>

#include "actions/actions_fixture.h"
#include "support/test_support.h"

namespace actions_testing {

namespace {

constexpr wchar_t kClientsKey[] = L"software\\clients\\mail";
constexpr wchar_t kClientKey[] = L"software\\clients\\mail\\Sim Mail";

}  // namespace

MailClientRegistration::MailClientRegistration(REGSAM view) : view_(view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClientsKey, 0, KEY_READ | view_, &key) == ERROR_SUCCESS) {
    wchar_t text[MAX_PATH] = L"";
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    had_ = RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                            &bytes) == ERROR_SUCCESS;
    saved_ = text;
    RegCloseKey(key);
  }
  Set(L"");
}

MailClientRegistration::~MailClientRegistration() {
  Set(L"");
  if (!had_) return;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kClientsKey, 0, nullptr, 0, KEY_ALL_ACCESS | view_,
                      nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_.c_str()),
                   static_cast<DWORD>((saved_.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
}

void MailClientRegistration::Set(const std::wstring& library) const {
  if (library.empty()) {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kClientKey, view_, 0);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClientsKey, 0, KEY_ALL_ACCESS | view_, &key) ==
        ERROR_SUCCESS) {
      RegDeleteValueW(key, nullptr);
      RegCloseKey(key);
    }
    return;
  }
  const std::wstring name = L"Sim Mail";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kClientKey, 0, nullptr, 0, KEY_ALL_ACCESS | view_,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, L"dllpath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(library.c_str()),
                 static_cast<DWORD>((library.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClientsKey, 0, KEY_ALL_ACCESS | view_, &key),
            ERROR_SUCCESS);
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                 static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

::testing::AssertionResult FreshMailClient(mailsim::Control& mail, const std::wstring& folder) {
  if (!mail.Open()) return ::testing::AssertionFailure() << "the mail client's state does not open";
  mail.Reset();
  mail.SetOutbox((folder + L"\\outbox").c_str());
  return ::testing::AssertionSuccess();
}

std::string MailCalls(const mailsim::Control& mail) {
  std::string text;
  for (const auto& call : mail.Calls()) {
    if (!text.empty()) text += ' ';
    text += call.call == mailsim::CALL_LOGON  ? "MAPILogon"
            : call.call == mailsim::CALL_SEND ? "MAPISendMail"
                                              : "MAPILogoff";
    text += "=" + std::to_string(call.result);
  }
  return text;
}

void WriteImageHeader(const std::wstring& path, WORD machine) {
  std::string image(0x200, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = static_cast<char>(0x80);
  image.replace(0x80, 4, std::string("PE\0\0", 4));
  image[0x84] = static_cast<char>(machine & 0xFF);
  image[0x85] = static_cast<char>(machine >> 8);
  std::ofstream(path.c_str(), std::ios::binary) << image;
}

}  // namespace actions_testing
