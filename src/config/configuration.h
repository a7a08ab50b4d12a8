// What this program knows of the companion OCR application's installation:
// the edition's registry root, the installation directory, the companion's
// language, the language of this program's own texts, and the full names of
// the companion's files. The registry and the disk are read lazily, by the
// first query after construction or after Reset.
#pragma once

#include <list>
#include <map>
#include <string>
#include <vector>

namespace Quillora {

class Configuration {
 public:
  enum FileType {
    UNSPECIFIED_FILETYPE = 0,
    EXE = 1,
    HELP = 2,
    MANUAL = 3,
    BUTTON_MANAGER = 4,
    MAX_FILETYPE = 5,
  };

  // The edition's name is also its registry folder.
  enum EditionType {
    UNSPECIFIED_EDITIONTYPE = 0,
    MINI = 1,
    PRO = 2,
    CORPORATE_CRM = 3,
    LE = 4,
    MAX_EDITIONTYPE = 5,
  };

  // The process's one object, made by the first call with that call's edition.
  static Configuration& Instance(EditionType edition);

  // Reads neither registry nor disk. Apart from Instance, only tests make
  // objects of their own.
  explicit Configuration(EditionType edition);
  Configuration(const Configuration&) = delete;
  Configuration& operator=(const Configuration&) = delete;

  // Relative to HKEY_CURRENT_USER, e.g. Software\M.E.R.O.\Quillora Pro 5.
  const std::wstring& GetRootKey() const { return root_key_; }
  const std::wstring& GetLanguage(const FileType& ft);
  // Empty for a type without a file, and for a document without any language.
  const std::wstring& GetFileName(const FileType& ft);
  // The next query reads the registry and the disk again.
  void Reset() { is_initialized_ = false; }
  const std::wstring& GetRootDir() const { return root_dir_; }
  const std::wstring& GetEditionName() const { return edition_name_; }

 private:
  void Initialize();
  bool KeyExists(const std::wstring& key) const;
  std::wstring ReadStringValue(const std::wstring& key, const std::wstring& name) const;
  std::wstring MakeFileName(const FileType& ft, std::wstring lng) const;
  void ResolveDocLanguage(const FileType& ft);
  void ResolveButtonManagerLanguage();

  std::wstring vendor_;
  std::wstring default_lng_;
  std::wstring app_name_;
  std::wstring settings_key_;
  std::wstring lng_value_name_;
  EditionType edition_;
  std::map<FileType, std::list<std::wstring>> supported_lngs_;
  std::map<FileType, std::wstring> file_names_;
  std::wstring root_dir_;
  std::vector<std::wstring> lngs_;
  std::wstring edition_name_;
  std::wstring root_key_;
  bool is_initialized_;
};

}  // namespace Quillora
