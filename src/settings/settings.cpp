#include "settings/settings.h"

#include "framework/regkey.h"

namespace {

ButtonManagerSettings* app_settings = nullptr;

}  // namespace

void UseAppSettings(ButtonManagerSettings* record) { app_settings = record; }

ButtonManagerSettings& AppSettings() { return *app_settings; }

ButtonManagerSettings::ButtonManagerSettings() : keyPath(kKeyPath) {
  SetDefaults();
  Load();
}

ButtonManagerSettings::~ButtonManagerSettings() { Save(); }

void ButtonManagerSettings::SetDefaults() {
  button_left_action = kDefaultButtonLeftAction;
  format_ext_file = kDefaultFormatExtFile;
}

namespace {

void OpenSettingsKey(CRegKey& key, const wchar_t* path) {
  key.Create(HKEY_CURRENT_USER, path, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS);
}

// A value that is missing, of another type or of another size keeps the field.
void ReadValue(CRegKey& key, const wchar_t* name, std::int32_t& field) {
  DWORD value = 0;
  if (key.QueryDWORDValue(name, value) == ERROR_SUCCESS) field = static_cast<std::int32_t>(value);
}

}  // namespace

void ButtonManagerSettings::Load() {
  CRegKey key;
  OpenSettingsKey(key, keyPath);
  ReadValue(key, kButtonLeftAction, button_left_action);
  ReadValue(key, kFormatExtFile, format_ext_file);
}

void ButtonManagerSettings::Save() {
  CRegKey key;
  OpenSettingsKey(key, keyPath);
  key.SetDWORDValue(kButtonLeftAction, static_cast<DWORD>(button_left_action));
  key.SetDWORDValue(kFormatExtFile, static_cast<DWORD>(format_ext_file));
}
