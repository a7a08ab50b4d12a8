#include "settings/settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <sddl.h>

#include <memory>

#include "framework/regkey.h"
#include "support/test_support.h"

namespace {

using testing_support::DebugRecorder;

constexpr wchar_t kKey[] = L"Software\\MERO\\KOVA7\\ButtonManager";

class SettingsStore : public testing::Test {
 protected:
  void SetUp() override { testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kKey); }
  void TearDown() override { testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kKey); }

  static bool KeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  // The stored REG_DWORD, or -1 when there is none.
  static long long Stored(const wchar_t* name) {
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_ANY, &type, &value, &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD) {
      return -1;
    }
    return value;
  }
  static void Store(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
  static void StoreDword(const wchar_t* name, DWORD value) {
    Store(name, REG_DWORD, &value, sizeof(value));
  }
};

TEST_F(SettingsStore, FirstStartCreatesTheKeyAndSavesTheDefaultsAtTheEnd) {
  auto settings = std::make_unique<ButtonManagerSettings>();
  EXPECT_TRUE(KeyExists()) << "the key exists as soon as the record is loaded";
  EXPECT_EQ(Stored(L"button_left_action"), -1);
  EXPECT_EQ(settings->button_left_action, 101);
  EXPECT_EQ(settings->format_ext_file, 3);
  EXPECT_EQ(settings->Language(), 0);
  EXPECT_STREQ(settings->keyPath, kKey);
  settings.reset();
  EXPECT_EQ(Stored(L"button_left_action"), 101);
  EXPECT_EQ(Stored(L"format_ext_file"), 3);
}

TEST_F(SettingsStore, StoredValuesAreTakenUnvalidatedAndWrittenBack) {
  StoreDword(L"button_left_action", 102);
  StoreDword(L"format_ext_file", 7);
  {
    ButtonManagerSettings settings;
    EXPECT_EQ(settings.button_left_action, 102);
    EXPECT_EQ(settings.format_ext_file, 7);
  }
  EXPECT_EQ(Stored(L"button_left_action"), 102);
  EXPECT_EQ(Stored(L"format_ext_file"), 7);
}

TEST_F(SettingsStore, ChangesInMemoryAreSavedAndOutsideChangesOverwritten) {
  {
    ButtonManagerSettings settings;
    StoreDword(L"button_left_action", 55);  // another program, while we run
    settings.format_ext_file = 2;
  }
  EXPECT_EQ(Stored(L"button_left_action"), 101);
  EXPECT_EQ(Stored(L"format_ext_file"), 2);
}

TEST_F(SettingsStore, AMissingValueKeepsItsDefault) {
  StoreDword(L"format_ext_file", 1);
  ButtonManagerSettings settings;
  EXPECT_EQ(settings.button_left_action, 101);
  EXPECT_EQ(settings.format_ext_file, 1);
}

TEST_F(SettingsStore, WrongTypedOrSizedValuesKeepTheDefaults) {
  const wchar_t text[] = L"102";
  Store(L"button_left_action", REG_SZ, text, sizeof(text));
  const BYTE eight[8] = {2, 0, 0, 0, 0, 0, 0, 0};
  Store(L"format_ext_file", REG_BINARY, eight, sizeof(eight));
  {
    ButtonManagerSettings settings;
    EXPECT_EQ(settings.button_left_action, 101);
    EXPECT_EQ(settings.format_ext_file, 3);
  }
  const BYTE four[4] = {102, 0, 0, 0};
  Store(L"button_left_action", REG_BINARY, four, sizeof(four));
  const unsigned long long quad = 1;
  Store(L"format_ext_file", REG_QWORD, &quad, sizeof(quad));
  ButtonManagerSettings settings;
  EXPECT_EQ(settings.button_left_action, 101);
  EXPECT_EQ(settings.format_ext_file, 3);
}

TEST_F(SettingsStore, SetDefaultsTouchesOnlyThePersistedValues) {
  ButtonManagerSettings settings;
  settings.button_left_action = 102;
  settings.format_ext_file = 1;
  settings.SetLanguage(3);
  settings.SetDefaults();
  EXPECT_EQ(settings.button_left_action, 101);
  EXPECT_EQ(settings.format_ext_file, 3);
  EXPECT_EQ(settings.Language(), 3);
  EXPECT_EQ(Stored(L"button_left_action"), -1) << "SetDefaults does not write the registry";
}

TEST_F(SettingsStore, AKeyThatCannotBeOpenedReportsAndKeepsTheDefaults) {
  StoreDword(L"button_left_action", 102);
  // Readable and deletable, but not writable: create-or-open for all access fails.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:P(A;;KRSDWD;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, WRITE_DAC, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
  RegCloseKey(key);
  LocalFree(descriptor);

  DebugRecorder debug;
  {
    ButtonManagerSettings settings;
    EXPECT_EQ(settings.button_left_action, 101);
    EXPECT_EQ(settings.format_ext_file, 3);
    settings.button_left_action = 55;
  }
  // Two reads at load, two writes at save, each reported before it is skipped.
  ASSERT_EQ(debug.reports.size(), 4u);
  for (const auto& report : debug.reports) EXPECT_EQ(report.expression, L"m_hKey != 0");
  EXPECT_EQ(Stored(L"button_left_action"), 102) << "the stored value was not overwritten";
}

}  // namespace
