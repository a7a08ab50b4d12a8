// What the companion tests share: the substitute's folders, a scratch
// installation folder, registry trees that go again after each test.
#pragma once

#include <windows.h>

#include <string>

namespace companion_testing {

// sim/companion beside the test programs' folder.
std::wstring SubstituteDir();
// A version-only quillora.exe: "5.0.1.4", "short" ...
std::wstring VersionExe(const std::wstring& version);

// A fresh folder under the temporary folder, removed with its files.
class ScratchDir {
 public:
  explicit ScratchDir(const wchar_t* name);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::wstring& path() const { return path_; }
  // Creates `relative` (folders too) with a line of text.
  void Touch(const std::wstring& relative) const;

 private:
  std::wstring path_;
};

void RemoveTree(const std::wstring& path);
void WriteString(const std::wstring& key, const wchar_t* name, const std::wstring& value);
void WriteRaw(const std::wstring& key, const wchar_t* name, DWORD type, const void* data,
              DWORD size);

}  // namespace companion_testing
