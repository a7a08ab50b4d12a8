#include "app/exclusion.h"

#include <windows.h>

#include <vector>

#include "framework/cstring.h"
#include "framework/debug.h"
#include "framework/unique_handle.h"

namespace {

// Systems without named desktops cannot size the name.
constexpr wchar_t kNoDesktopSuffix[] = L"-Win9x";
constexpr DWORD kNameChars = 64;

std::wstring DesktopName(const std::wstring& base) {
  HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
  DWORD needed = 0;
  const BOOL sized = GetUserObjectInformationW(desktop, UOI_NAME, nullptr, 0, &needed);
  if (sized || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return base + kNoDesktopSuffix;
  std::vector<wchar_t> name(needed / sizeof(wchar_t) + 1, L'\0');
  if (!GetUserObjectInformationW(desktop, UOI_NAME, name.data(), needed, &needed)) return base;
  return base + L"-" + name.data();
}

std::wstring LogonSessionName(const std::wstring& base) {
  afx::UniqueHandleT token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return base;
  DWORD needed = 0;
  GetTokenInformation(token.get(), TokenStatistics, nullptr, 0, &needed);
  if (needed < sizeof(TOKEN_STATISTICS)) return base;
  std::vector<BYTE> buffer(needed);
  if (!GetTokenInformation(token.get(), TokenStatistics, buffer.data(), needed, &needed)) {
    return base;
  }
  const auto* statistics = reinterpret_cast<const TOKEN_STATISTICS*>(buffer.data());
  CString suffix;
  suffix.Format(L"-%08x%08x", static_cast<unsigned>(statistics->AuthenticationId.HighPart),
                static_cast<unsigned>(statistics->AuthenticationId.LowPart));
  return base + suffix.str();
}

std::wstring UserName(const std::wstring& base) {
  wchar_t user[kNameChars];
  DWORD userChars = kNameChars;
  if (!GetUserNameW(user, &userChars)) return base;
  wchar_t domain[kNameChars];
  // Where USERDOMAIN is not defined the text stays unexpanded, by design.
  const DWORD domainChars = ExpandEnvironmentStringsW(L"%USERDOMAIN%", domain, kNameChars);
  if (domainChars == 0 || domainChars > kNameChars) return base;
  CString suffix;
  suffix.Format(L"-%s-%s", domain, user);
  return base + suffix.str();
}

}  // namespace

std::wstring MakeObjectName(const wchar_t* base, ObjectNameScope scope) {
  const std::wstring name(base);
  switch (scope) {
    case SCOPE_NONE:
      return name;
    case SCOPE_DESKTOP:
      return DesktopName(name);
    case SCOPE_LOGON_SESSION:
      return LogonSessionName(name);
    case SCOPE_USER:
      return UserName(name);
  }
  AFX_ASSERT(!"unknown ObjectNameScope");
  return name;
}
