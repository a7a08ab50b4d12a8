// What a fault case changes in the installation, each change with its undo;
// the undos run in reverse order when the case ends.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// A text as a registry string stores it, with or without its terminating null.
std::string TextBytes(const std::wstring& text, bool terminated = true);

class Changes {
 public:
  Changes() = default;
  ~Changes() { Undo(); }
  Changes(const Changes&) = delete;
  Changes& operator=(const Changes&) = delete;

  void Undo();

  // The file is moved aside, and back.
  void Remove(const std::wstring& file);
  // The file is moved aside and `with` copied in its place.
  void Replace(const std::wstring& file, const std::wstring& with);
  // A new file with `bytes`, deleted afterwards.
  void Create(const std::wstring& file, const std::string& bytes);
  void Folder(const std::wstring& folder);

  // A registry value of any type and size, `bytes` exactly as stored; `view`
  // (KEY_WOW64_32KEY, KEY_WOW64_64KEY) reaches the other architecture's.
  void SetValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD type,
                const std::string& bytes, REGSAM view = 0);
  void DeleteValue(HKEY root, const std::wstring& key, const wchar_t* name, REGSAM view = 0);
  // The key with everything below it, kept in a copy and put back.
  void DeleteTree(HKEY root, const std::wstring& key);

  // A scanner panel or companion command, and the one that undoes it.
  void Scanner(const std::wstring& command, const std::wstring& undo);
  void Companion(const std::wstring& command, const std::wstring& undo);
  void Then(std::function<void()> undo) { undo_.push_back(std::move(undo)); }

 private:
  std::vector<std::function<void()>> undo_;
};

}  // namespace e2e
