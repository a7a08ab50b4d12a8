// The program's settings record: the left button's destination and the
// Save-as dialog's file type, kept in the current user's registry, and the
// user-interface language of the moment.
#pragma once

#include <atomic>
#include <cstdint>

// The left button's destination.
enum DestinationCode : std::int32_t {
  DESTINATION_FILE = 101,
  DESTINATION_EMAIL = 102,
};

class ButtonManagerSettings {
 public:
  static constexpr wchar_t kKeyPath[] = L"Software\\MERO\\KOVA7\\ButtonManager";
  static constexpr wchar_t kButtonLeftAction[] = L"button_left_action";
  static constexpr wchar_t kFormatExtFile[] = L"format_ext_file";
  static constexpr std::int32_t kDefaultButtonLeftAction = DESTINATION_FILE;
  static constexpr std::int32_t kDefaultFormatExtFile = 3;  // JPEG

  // Loads the stored values over the defaults.
  ButtonManagerSettings();
  // Saves both values.
  ~ButtonManagerSettings();
  ButtonManagerSettings(const ButtonManagerSettings&) = delete;
  ButtonManagerSettings& operator=(const ButtonManagerSettings&) = delete;

  void SetDefaults();
  void Load();
  void Save();

  // Reads and writes of the language from either thread.
  std::int32_t Language() const { return LanguageId.load(std::memory_order_relaxed); }
  void SetLanguage(std::int32_t id) { LanguageId.store(id, std::memory_order_relaxed); }

  const wchar_t* keyPath;
  std::int32_t button_left_action;
  std::int32_t format_ext_file;
  // Written by the configuration watcher thread, read by the interface thread.
  std::atomic<std::int32_t> LanguageId{0};
};

// The record the application owns, reached without naming the application:
// the application hands it over when it is constructed.
void UseAppSettings(ButtonManagerSettings* record);
ButtonManagerSettings& AppSettings();
