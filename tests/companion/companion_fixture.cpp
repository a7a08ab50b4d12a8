#include "companion/companion_fixture.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <cstdio>

#include "support/test_support.h"

namespace companion_testing {

std::wstring SubstituteDir() {
  std::wstring tests = testing_support::ExeDir();
  return tests.substr(0, tests.rfind(L'\\')) + L"\\sim\\companion";
}

std::wstring VersionExe(const std::wstring& version) {
  return SubstituteDir() + L"\\versions\\" + version + L"\\quillora.exe";
}

ScratchDir::ScratchDir(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId());
  RemoveTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

void ScratchDir::Touch(const std::wstring& relative) const {
  const std::wstring full = path_ + L"\\" + relative;
  for (size_t slash = full.find(L'\\', path_.size() + 1); slash != std::wstring::npos;
       slash = full.find(L'\\', slash + 1)) {
    CreateDirectoryW(full.substr(0, slash).c_str(), nullptr);
  }
  FILE* file = nullptr;
  if (_wfopen_s(&file, full.c_str(), L"w") == 0 && file) {
    fputs("test file\n", file);
    fclose(file);
  }
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

void WriteRaw(const std::wstring& key, const wchar_t* name, DWORD type, const void* data,
              DWORD size) {
  HKEY opened = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &opened, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(opened, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(opened);
}

void WriteString(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  WriteRaw(key, name, REG_SZ, value.c_str(),
           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace companion_testing
