#include "config/configuration.h"

#include <windows.h>

#include <cstdio>

#include "framework/debug.h"
#include "framework/modulepath.h"
#include "framework/unique_handle.h"

// The checks report their own texts, whatever the formatter makes of the code.
#define CONFIG_CHECK(expr, text) \
  ((expr) ? static_cast<void>(0) : ::afx::ReportAssertion(text, __FILE__, __LINE__))

namespace Quillora {

namespace {

constexpr const wchar_t* kEditionNames[Configuration::MAX_EDITIONTYPE] = {
    L"",
    L"Quillora Mini 5",
    L"Quillora Pro 5",
    L"Quillora Corporate 5 for Orvalis CRM",
    L"Quillora LE 5",
};

constexpr wchar_t kApplicationPath[] = L"ApplicationPath";

// What a query answers when there is no element to refer to.
const std::wstring& NoText() {
  static const std::wstring empty;
  return empty;
}

bool Contains(const std::list<std::wstring>& codes, const std::wstring& code) {
  for (const std::wstring& entry : codes) {
    if (entry == code) return true;
  }
  return false;
}

bool CanOpenForReading(const std::wstring& name) {
  FILE* file = nullptr;
  if (_wfopen_s(&file, name.c_str(), L"r") != 0 || !file) return false;
  fclose(file);
  return true;
}

}  // namespace

Configuration& Configuration::Instance(EditionType edition) {
  static Configuration configuration(edition);
  return configuration;
}

Configuration::Configuration(EditionType edition)
    : vendor_(L"M.E.R.O."),
      default_lng_(L"eng"),
      app_name_(L"quillora"),
      settings_key_(L"Settings"),
      lng_value_name_(L"lngRCUname"),
      edition_(edition),
      root_dir_(),
      lngs_(MAX_FILETYPE),
      is_initialized_(false) {
  CONFIG_CHECK(MAX_EDITIONTYPE != edition_, L"MAX_EDITIONTYPE != edition_");
  const int index = static_cast<int>(edition_);
  if (index >= 0 && index < MAX_EDITIONTYPE) {
    edition_name_ = kEditionNames[index];
  }
  root_key_ = L"Software\\" + vendor_ + L"\\" + edition_name_;

  supported_lngs_[HELP] = {L"dut", L"eng", L"frn", L"grm", L"itl", L"rus", L"spn"};
  supported_lngs_[MANUAL] = {L"dut", L"eng", L"frn", L"grm", L"itl", L"spn"};
  supported_lngs_[BUTTON_MANAGER] = {L"brz", L"cze", L"dut", L"eng", L"frn", L"grm", L"hun",
                                     L"itl", L"jap", L"kor", L"pol", L"prt", L"rom", L"rus",
                                     L"sch", L"spn", L"tch", L"trk", L"ukr"};
  for (auto& entry : supported_lngs_) entry.second.sort();

  for (std::wstring& lng : lngs_) lng.clear();
}

const std::wstring& Configuration::GetLanguage(const FileType& ft) {
  const bool valid = (UNSPECIFIED_FILETYPE < ft) && (MAX_FILETYPE > ft);
  CONFIG_CHECK(valid, L"( UNSPECIFIED_FILETYPE < ft ) && ( MAX_FILETYPE > ft )");
  if (!is_initialized_) Initialize();
  CONFIG_CHECK(!lngs_.empty(), L"!lngs_.empty()");
  if (!valid || static_cast<size_t>(ft) >= lngs_.size()) return NoText();
  return lngs_[ft];
}

const std::wstring& Configuration::GetFileName(const FileType& ft) {
  if (!is_initialized_) Initialize();
  CONFIG_CHECK(!file_names_.empty(), L"!file_names_.empty()");
  const auto found = file_names_.find(ft);
  return found == file_names_.end() ? NoText() : found->second;
}

void Configuration::Initialize() {
  CONFIG_CHECK(!is_initialized_, L"!is_initialized_");

  const bool root_exists = KeyExists(root_key_);
  if (root_exists) {
    root_dir_ = ReadStringValue(root_key_, kApplicationPath);
  } else {
    root_dir_ = afx::FolderOf(afx::ModuleFileName(GetModuleHandleW(nullptr)));
  }
  CONFIG_CHECK(!root_dir_.empty(), L"!root_dir_.empty()");
  if (root_dir_.empty() || root_dir_.back() != L'\\') root_dir_ += L'\\';

  const std::wstring settings_key = root_key_ + L"\\" + settings_key_;
  if (root_exists && KeyExists(settings_key)) {
    std::wstring s = ReadStringValue(settings_key, lng_value_name_);
    const size_t underscore = s.rfind(L'_');
    if (underscore != std::wstring::npos) s.erase(0, underscore + 1);
    // A name without a "." after its last "_" keeps its remainder whole.
    const size_t dot = s.rfind(L'.');
    if (dot != std::wstring::npos) s.erase(dot);
    lngs_[EXE] = s;
  } else {
    lngs_[EXE] = default_lng_;
  }
  CONFIG_CHECK(!lngs_[EXE].empty(), L"!lngs_[ EXE ].empty()");

  file_names_[EXE] = MakeFileName(EXE, std::wstring());
  ResolveDocLanguage(HELP);
  ResolveDocLanguage(MANUAL);
  ResolveButtonManagerLanguage();
  is_initialized_ = true;
}

bool Configuration::KeyExists(const std::wstring& key) const {
  afx::UniqueRegKey opened;
  return RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

std::wstring Configuration::ReadStringValue(const std::wstring& key,
                                            const std::wstring& name) const {
  afx::UniqueRegKey opened;
  LONG error_code = RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, opened.put());
  CONFIG_CHECK(ERROR_SUCCESS == error_code, L"ERROR_SUCCESS == error_code");
  if (error_code != ERROR_SUCCESS) return std::wstring();

  // 257 bytes: at most 127 characters and their terminating null. One more
  // character of zeros keeps a value stored without its null terminated.
  constexpr DWORD buf_size = 257;
  wchar_t buffer[buf_size / sizeof(wchar_t) + 1] = {};
  DWORD dummy_size = buf_size;
  DWORD value_type = REG_NONE;
  error_code = RegQueryValueExW(opened.get(), name.c_str(), nullptr, &value_type,
                                reinterpret_cast<BYTE*>(buffer), &dummy_size);
  const bool read =
      (ERROR_SUCCESS == error_code) && (dummy_size < buf_size) && (REG_SZ == value_type);
  CONFIG_CHECK(read,
               L"( ERROR_SUCCESS == error_code ) && ( dummy_size < buf_size ) && "
               L"( REG_SZ == value_type )");
  if (!read) return std::wstring();
  // Only the characters returned, and not past a null among them.
  const size_t returned = dummy_size / sizeof(wchar_t);
  size_t length = 0;
  while (length < returned && buffer[length] != L'\0') ++length;
  return std::wstring(buffer, length);
}

std::wstring Configuration::MakeFileName(const FileType& ft, std::wstring lng) const {
  std::wstring ret;
  switch (ft) {
    case EXE:
      ret = root_dir_ + app_name_ + L".exe";
      break;
    case HELP:
      ret = root_dir_ + L"Doc\\" + lng + L"\\" + app_name_ + L".chm";
      break;
    case MANUAL:
      ret = root_dir_ + L"Doc\\" + lng + L"\\manual.pdf";
      break;
    default:
      CONFIG_CHECK(0, L"0");
      break;
  }
  CONFIG_CHECK(!ret.empty(), L"!ret.empty()");
  return ret;
}

void Configuration::ResolveDocLanguage(const FileType& ft) {
  CONFIG_CHECK((HELP == ft) || (MANUAL == ft), L"( HELP==ft ) || ( MANUAL==ft )");
  CONFIG_CHECK(!lngs_[EXE].empty(), L"!lngs_[ EXE ].empty()");

  std::map<std::wstring, bool> available;
  const std::list<std::wstring>& codes = supported_lngs_[ft];
  for (const std::wstring& code : codes)
    available[code] = CanOpenForReading(MakeFileName(ft, code));

  const std::wstring& own = lngs_[EXE];
  std::wstring chosen;
  if (Contains(codes, own) && available[own]) {
    chosen = own;
  } else if (available[default_lng_]) {
    chosen = default_lng_;
  } else {
    for (const auto& entry : available) {
      if (entry.second) {
        chosen = entry.first;
        break;
      }
    }
  }
  lngs_[ft] = chosen;
  file_names_[ft] = chosen.empty() ? std::wstring() : MakeFileName(ft, chosen);
}

void Configuration::ResolveButtonManagerLanguage() {
  CONFIG_CHECK(!lngs_[EXE].empty(), L"!lngs_[ EXE ].empty()");
  const std::wstring& own = lngs_[EXE];
  lngs_[BUTTON_MANAGER] = Contains(supported_lngs_[BUTTON_MANAGER], own) ? own : default_lng_;
}

}  // namespace Quillora
