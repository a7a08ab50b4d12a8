#include "framework/regkey.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using testing_support::DebugRecorder;

constexpr wchar_t kTestKey[] = L"Software\\ButtonManagerTests\\RegKey";

TEST(CRegKey, UnopenedKeyReportsThePreconditionAndGoesOn) {
  DebugRecorder debug;
  CRegKey key;
  DWORD value = 17;
  EXPECT_NE(key.QueryDWORDValue(L"x", value), ERROR_SUCCESS);
  EXPECT_EQ(value, 17u);
  EXPECT_NE(key.SetDWORDValue(L"x", 1), ERROR_SUCCESS);
  ASSERT_EQ(debug.reports.size(), 2u);
  EXPECT_EQ(debug.reports[0].expression, L"m_hKey != 0");
  EXPECT_EQ(debug.reports[0].unit, L"regkey.cpp");
  EXPECT_GT(debug.reports[0].line, 0);
}

TEST(CRegKey, WritesAndReadsFourByteValues) {
  testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kTestKey);
  {
    CRegKey key;
    DWORD disposition = 0;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kTestKey, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_ALL_ACCESS, nullptr, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    EXPECT_EQ(key.SetDWORDValue(L"number", 0xDEADBEEF), ERROR_SUCCESS);
  }
  CRegKey key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kTestKey, KEY_READ), ERROR_SUCCESS);
  DWORD value = 0;
  EXPECT_EQ(key.QueryDWORDValue(L"number", value), ERROR_SUCCESS);
  EXPECT_EQ(value, 0xDEADBEEFu);
  EXPECT_EQ(key.Close(), ERROR_SUCCESS);
  EXPECT_EQ(key.m_hKey.get(), nullptr);
  testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kTestKey);
}

TEST(CRegKey, ValuesOfAnotherTypeOrSizeLeaveTheTargetUntouched) {
  testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kTestKey);
  CRegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kTestKey), ERROR_SUCCESS);
  const wchar_t text[] = L"102";
  RegSetValueExW(key.m_hKey.get(), L"text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 sizeof(text));
  const BYTE four[4] = {1, 2, 3, 4};
  RegSetValueExW(key.m_hKey.get(), L"binary", 0, REG_BINARY, four, sizeof(four));
  const unsigned long long wide = 5;
  RegSetValueExW(key.m_hKey.get(), L"qword", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&wide),
                 sizeof(wide));
  for (const wchar_t* name : {L"text", L"binary", L"qword", L"missing"}) {
    DWORD value = 0xA5A5A5A5;
    EXPECT_NE(key.QueryDWORDValue(name, value), ERROR_SUCCESS) << name;
    EXPECT_EQ(value, 0xA5A5A5A5u) << name;
  }
  key.Close();
  testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kTestKey);
}

}  // namespace
