#include "control.h"

#include <objbase.h>

#include <cstdio>
#include <cstdlib>

#include "config/ocrapplication.h"
#include "framework/unique_handle.h"
#include "text.h"

namespace companion {

namespace {

afx::UniqueRegKey OpenKey(HKEY root, const wchar_t* path, bool create) {
  afx::UniqueRegKey key;
  if (create) {
    RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr);
  } else {
    RegOpenKeyExW(root, path, 0, KEY_READ, key.put());
  }
  return key;
}

std::wstring ReadText(const wchar_t* path, const wchar_t* name) {
  const afx::UniqueRegKey key = OpenKey(HKEY_CURRENT_USER, path, false);
  if (!key) return std::wstring();
  wchar_t text[260] = {};
  DWORD size = sizeof(text) - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::wstring();
  }
  return text;
}

void WriteText(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& text) {
  const afx::UniqueRegKey key = OpenKey(root, path, true);
  if (!key) return;
  RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::wstring ServerKey() {
  wchar_t clsid[40] = L"";
  StringFromGUID2(Quillora::kOcrApplicationClsid, clsid, 40);
  return std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
}

}  // namespace

DWORD ReadControl(const wchar_t* name) {
  const afx::UniqueRegKey key = OpenKey(HKEY_CURRENT_USER, kControlKey, false);
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (!key || RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                               &size) != ERROR_SUCCESS) {
    return 0;
  }
  return value;
}

void WriteControl(const wchar_t* name, DWORD value) {
  const afx::UniqueRegKey key = OpenKey(HKEY_CURRENT_USER, kControlKey, true);
  if (key) {
    RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
  }
}

std::wstring LanguageResourceName(const std::wstring& code) { return L"qlr_" + code + L".dll"; }

std::wstring CurrentLanguage() {
  std::wstring name = ReadText(kSettingsKey, kLanguageValue);
  const size_t underscore = name.rfind(L'_');
  if (underscore != std::wstring::npos) name.erase(0, underscore + 1);
  const size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name;
}

void SetLanguage(const std::wstring& code) {
  WriteText(HKEY_CURRENT_USER, kSettingsKey, kLanguageValue, LanguageResourceName(code));
}

void WriteRegistryTreeIfMissing(const std::wstring& folder) {
  if (OpenKey(HKEY_CURRENT_USER, kRootKey, false)) return;
  WriteText(HKEY_CURRENT_USER, kRootKey, kApplicationPathValue, folder);
  SetLanguage(L"eng");
}

bool RegisterServer(HKEY root, const std::wstring& dll) {
  const std::wstring server = ServerKey() + L"\\InprocServer32";
  WriteText(root, ServerKey().c_str(), nullptr, L"Quillora 5 automation");
  WriteText(root, server.c_str(), nullptr, dll);
  WriteText(root, server.c_str(), L"ThreadingModel", L"Apartment");
  return static_cast<bool>(OpenKey(root, server.c_str(), false));
}

void UnregisterServer(HKEY root) { RegDeleteTreeW(root, ServerKey().c_str()); }

std::wstring LogPath(const std::wstring& folder) { return folder + L"\\" + kLogFileName; }

// The time follows the line after a tab, which no line holds.
void AppendLog(const std::wstring& folder, const std::wstring& line, LONGLONG calledAt) {
  FILE* file = nullptr;
  if (_wfopen_s(&file, LogPath(folder).c_str(), L"ab") != 0 || !file) return;
  const std::string utf8 = simshared::ToUtf8(line + L"\t" + std::to_wstring(calledAt) + L"\n");
  fwrite(utf8.data(), 1, utf8.size(), file);
  fclose(file);
}

std::vector<LogEntry> ReadLogEntries(const std::wstring& folder) {
  std::vector<LogEntry> entries;
  FILE* file = nullptr;
  if (_wfopen_s(&file, LogPath(folder).c_str(), L"rb") != 0 || !file) return entries;
  std::string utf8;
  char chunk[512];
  size_t read = 0;
  while ((read = fread(chunk, 1, sizeof(chunk), file)) > 0) utf8.append(chunk, read);
  fclose(file);
  size_t start = 0;
  while (start < utf8.size()) {
    size_t end = utf8.find('\n', start);
    if (end == std::string::npos) end = utf8.size();
    const std::wstring wide = simshared::ToWide(utf8.substr(start, end - start));
    const size_t tab = wide.rfind(L'\t');
    if (tab == std::wstring::npos) {
      entries.push_back({wide, 0});
    } else {
      entries.push_back({wide.substr(0, tab), _wtoi64(wide.c_str() + tab + 1)});
    }
    start = end + 1;
  }
  return entries;
}

std::vector<std::wstring> ReadLog(const std::wstring& folder) {
  std::vector<std::wstring> lines;
  for (const LogEntry& entry : ReadLogEntries(folder)) lines.push_back(entry.line);
  return lines;
}

void ClearLog(const std::wstring& folder) { DeleteFileW(LogPath(folder).c_str()); }

std::wstring FolderOfModuleAt(const void* address) {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      static_cast<const wchar_t*>(address), &module);
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace companion
