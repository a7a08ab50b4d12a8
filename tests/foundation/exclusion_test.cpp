#include "app/exclusion.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "support/test_support.h"

namespace {

constexpr wchar_t kBase[] = L"ORMIK310-{5A0C3E71-94B2-4D6F-A1C8-2E7B9F406D13}";

// Sets an environment variable for the test's life and restores it after.
class ScopedEnv {
 public:
  ScopedEnv(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t old[512];
    had_ = GetEnvironmentVariableW(name, old, 512) > 0;
    if (had_) old_ = old;
    SetEnvironmentVariableW(name, value);
  }
  ~ScopedEnv() { SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

 private:
  const wchar_t* name_;
  bool had_;
  std::wstring old_;
};

TEST(MakeObjectName, NoScopeReturnsTheBase) { EXPECT_EQ(MakeObjectName(kBase, SCOPE_NONE), kBase); }

TEST(MakeObjectName, DesktopScopeAppendsTheThreadsDesktop) {
  wchar_t name[256] = {};
  DWORD needed = 0;
  ASSERT_TRUE(GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, name,
                                        sizeof(name), &needed));
  EXPECT_EQ(MakeObjectName(kBase, SCOPE_DESKTOP), std::wstring(kBase) + L"-" + name);
}

TEST(MakeObjectName, LogonSessionScopeAppendsSixteenHexDigits) {
  const std::wstring name = MakeObjectName(kBase, SCOPE_LOGON_SESSION);
  const std::wstring base(kBase);
  ASSERT_EQ(name.size(), base.size() + 17);
  EXPECT_EQ(name.compare(0, base.size(), base), 0);
  EXPECT_EQ(name[base.size()], L'-');
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  TOKEN_STATISTICS statistics{};
  DWORD size = 0;
  ASSERT_TRUE(GetTokenInformation(token, TokenStatistics, &statistics, sizeof(statistics), &size));
  CloseHandle(token);
  wchar_t expected[32];
  swprintf(expected, 32, L"-%08lx%08lx",
           static_cast<unsigned long>(statistics.AuthenticationId.HighPart),
           statistics.AuthenticationId.LowPart);
  EXPECT_EQ(name.substr(base.size()), expected);
  for (wchar_t c : name.substr(base.size() + 1)) {
    EXPECT_TRUE(iswdigit(c) || (c >= L'a' && c <= L'f')) << "lower-case hex only";
  }
}

TEST(MakeObjectName, UserScopeAppendsDomainThenUser) {
  wchar_t user[64];
  DWORD chars = 64;
  ASSERT_TRUE(GetUserNameW(user, &chars));
  {
    ScopedEnv domain(L"USERDOMAIN", L"WORKGROUP7");
    EXPECT_EQ(MakeObjectName(kBase, SCOPE_USER), std::wstring(kBase) + L"-WORKGROUP7-" + user);
  }
  {
    ScopedEnv domain(L"USERDOMAIN", nullptr);
    EXPECT_EQ(MakeObjectName(kBase, SCOPE_USER), std::wstring(kBase) + L"-%USERDOMAIN%-" + user);
  }
}

TEST(MakeObjectName, UserScopeWithADomainTooLongForItsBufferIsTheBareBase) {
  ScopedEnv domain(L"USERDOMAIN", std::wstring(80, L'D').c_str());
  EXPECT_EQ(MakeObjectName(kBase, SCOPE_USER), kBase);
}

TEST(MakeObjectName, UnknownScopeReportsOnceAndReturnsTheBase) {
  testing_support::DebugRecorder debug;
  EXPECT_EQ(MakeObjectName(kBase, static_cast<ObjectNameScope>(4)), kBase);
  ASSERT_EQ(debug.reports.size(), 1u);
  EXPECT_EQ(debug.reports[0].unit, L"exclusion.cpp");
  EXPECT_EQ(MakeObjectName(L"", SCOPE_NONE), L"");
}

}  // namespace
