// The companion substitute's shared knobs and call log, used by its
// executable, its automation server and the tests. The knobs live in the
// registry outside the companion's own tree (a change there would count as
// a settings change); the log is a text file beside the server.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace companion {

constexpr wchar_t kControlKey[] = L"Software\\Quillora Substitute";
constexpr wchar_t kBusyValue[] = L"busy";
// A scan-settings window closes itself after this many milliseconds (0: never).
constexpr wchar_t kSettingsCloseValue[] = L"settings_close_ms";
// The window class of the scan settings that the automation server shows.
constexpr wchar_t kSettingsWindowClass[] = L"QuilloraScanSettings";

constexpr wchar_t kRootKey[] = L"Software\\M.E.R.O.\\Quillora Pro 5";
constexpr wchar_t kSettingsKey[] = L"Software\\M.E.R.O.\\Quillora Pro 5\\Settings";
constexpr wchar_t kApplicationPathValue[] = L"ApplicationPath";
constexpr wchar_t kLanguageValue[] = L"lngRCUname";
constexpr wchar_t kServerFileName[] = L"quillora_ocr.dll";
constexpr wchar_t kLogFileName[] = L"calls.log";
constexpr wchar_t kScanFolderName[] = L"Scans";

DWORD ReadControl(const wchar_t* name);
void WriteControl(const wchar_t* name, DWORD value);

// "qlr_<code>.dll", the companion's resource name for a language.
std::wstring LanguageResourceName(const std::wstring& code);
// The language code of the current resource name; empty without one.
std::wstring CurrentLanguage();
void SetLanguage(const std::wstring& code);
// On the first run: ApplicationPath = `folder`, language English.
void WriteRegistryTreeIfMissing(const std::wstring& folder);

// Registers the in-process server at `dll` under `root`'s Software\Classes.
// Wine's COM looks up classes only in the machine's tree.
bool RegisterServer(HKEY root, const std::wstring& dll);
void UnregisterServer(HKEY root);

// The log beside the server: one line per call, oldest first, each with the
// performance counter's value when the call began.
struct LogEntry {
  std::wstring line;
  LONGLONG calledAt;
};
std::wstring LogPath(const std::wstring& folder);
void AppendLog(const std::wstring& folder, const std::wstring& line, LONGLONG calledAt);
std::vector<LogEntry> ReadLogEntries(const std::wstring& folder);
// The lines alone.
std::vector<std::wstring> ReadLog(const std::wstring& folder);
void ClearLog(const std::wstring& folder);

// The folder of the module that holds `address`.
std::wstring FolderOfModuleAt(const void* address);

}  // namespace companion
