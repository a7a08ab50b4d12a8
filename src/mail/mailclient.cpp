#include "mail/mailclient.h"

#include <cwchar>

#include "framework/unique_handle.h"

namespace mail {

namespace {

// WOW64 redirects HKLM\Software for 32-bit programs to
// HKLM\Software\Wow6432Node. Of its subkeys it shares only those the
// documentation lists (Classes with most of its subkeys, some of Microsoft's
// own); Clients is not among them, so each architecture has its own default
// mail client, and a client registers the library of its own architecture
// in its own view.
constexpr wchar_t kMailClientsKey[] = L"software\\clients\\mail";
constexpr wchar_t kDllPathValue[] = L"dllpath";

REGSAM ViewFlag(RegistryView view) {
  if (view == RegistryView::OWN) return 0;
  return sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

// A registry value of any type as text, terminated; false when it is missing
// or does not fit in `capacity` characters with its terminator.
bool ReadText(HKEY key, const wchar_t* name, wchar_t* text, DWORD capacity) {
  DWORD bytes = capacity * sizeof(wchar_t);
  if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &bytes) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD length = bytes / sizeof(wchar_t);
  if (length > 0 && text[length - 1] == L'\0') --length;
  if (length >= capacity) return false;
  text[length] = L'\0';
  return true;
}

WORD ReadMachine(const wchar_t* path) {
  afx::UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  if (!file) return 0;
  IMAGE_DOS_HEADER dos = {};
  DWORD read = 0;
  if (!ReadFile(file.get(), &dos, sizeof(dos), &read, nullptr) || read != sizeof(dos) ||
      dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0) {
    return 0;
  }
  struct {
    DWORD signature;
    IMAGE_FILE_HEADER header;
  } nt = {};
  if (SetFilePointer(file.get(), dos.e_lfanew, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !ReadFile(file.get(), &nt, sizeof(nt), &read, nullptr) || read != sizeof(nt) ||
      nt.signature != IMAGE_NT_SIGNATURE) {
    return 0;
  }
  return nt.header.Machine;
}

void Copy(wchar_t* target, const wchar_t* source) {
  wcsncpy(target, source, MAX_PATH - 1);
  target[MAX_PATH - 1] = L'\0';
}

}  // namespace

bool HasOtherView() {
  if (sizeof(void*) == 8) return true;
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool ClientLibrary(RegistryView view, wchar_t* path) {
  path[0] = L'\0';
  const REGSAM access = KEY_READ | ViewFlag(view);
  wchar_t client[MAX_PATH];
  {
    afx::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMailClientsKey, 0, access, key.put()) != ERROR_SUCCESS) {
      return false;
    }
    if (!ReadText(key.get(), nullptr, client, MAX_PATH) || client[0] == L'\0') return false;
  }
  wchar_t clientKey[MAX_PATH + sizeof(kMailClientsKey) / sizeof(wchar_t)];
  wcscpy(clientKey, kMailClientsKey);
  wcscat(clientKey, L"\\");
  wcscat(clientKey, client);
  afx::UniqueRegKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, clientKey, 0, access, key.put()) != ERROR_SUCCESS) {
    return false;
  }
  wchar_t library[MAX_PATH];
  if (!ReadText(key.get(), kDllPathValue, library, MAX_PATH)) return false;
  // The result counts the terminating NUL.
  const DWORD expanded = ExpandEnvironmentStringsW(library, path, MAX_PATH);
  if (expanded == 0 || expanded > MAX_PATH) {
    path[0] = L'\0';
    return false;
  }
  return true;
}

WORD LibraryMachine(const wchar_t* path, RegistryView view) {
  if (view == RegistryView::OWN || !HasOtherView()) return ReadMachine(path);
  if (sizeof(void*) == 4) {
    // The 64-bit client's system folder is the real one, which WOW64 shows
    // this process as SysWOW64.
    PVOID redirection = nullptr;
    const BOOL disabled = Wow64DisableWow64FsRedirection(&redirection);
    const WORD machine = ReadMachine(path);
    if (disabled) Wow64RevertWow64FsRedirection(redirection);
    return machine;
  }
  // A 32-bit client that names the system folder gets SysWOW64 from WOW64.
  wchar_t system[MAX_PATH];
  wchar_t wow64[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  const UINT wowLength = GetSystemWow64DirectoryW(wow64, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || wowLength == 0 || wowLength >= MAX_PATH ||
      _wcsnicmp(path, system, length) != 0 || path[length] != L'\\' ||
      wowLength + wcslen(path + length) >= MAX_PATH) {
    return ReadMachine(path);
  }
  wcscat(wow64, path + length);
  return ReadMachine(wow64);
}

Route FindClient(wchar_t* library) {
  library[0] = L'\0';
  wchar_t own[MAX_PATH];
  const bool hasOwn = ClientLibrary(RegistryView::OWN, own);
  if (hasOwn && LibraryMachine(own, RegistryView::OWN) != kOtherMachine) {
    Copy(library, own);
    return Route::IN_PROCESS;
  }
  if (!HasOtherView()) {
    // 32-bit Windows: a 64-bit library cannot run here at all, and loading
    // it tells the user so.
    if (!hasOwn) return Route::NONE;
    Copy(library, own);
    return Route::IN_PROCESS;
  }
  wchar_t other[MAX_PATH];
  if (ClientLibrary(RegistryView::OTHER, other)) {
    const WORD machine = LibraryMachine(other, RegistryView::OTHER);
    if (machine == kOtherMachine) {
      Copy(library, other);
      return Route::HELPER;
    }
    if (machine == kOwnMachine || !hasOwn) {
      Copy(library, other);
      return Route::IN_PROCESS;
    }
  }
  if (!hasOwn) return Route::NONE;
  Copy(library, own);
  return Route::HELPER;
}

}  // namespace mail
