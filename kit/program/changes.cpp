#include "program/changes.h"

#include "framework/unique_handle.h"
#include "program/installed.h"

namespace e2e {

namespace {

constexpr wchar_t kAside[] = L".e2e-aside";
constexpr wchar_t kBackupKey[] = L"Software\\ButtonManager E2E backup";

struct StoredValue {
  bool exists = false;
  DWORD type = REG_NONE;
  std::string bytes;
};

StoredValue Read(HKEY root, const std::wstring& key, const wchar_t* name, REGSAM view) {
  StoredValue value;
  afx::UniqueRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, opened.put()) != ERROR_SUCCESS)
    return value;
  DWORD size = 0;
  if (RegQueryValueExW(opened.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
    return value;
  }
  value.bytes.resize(size);
  value.exists = RegQueryValueExW(opened.get(), name, nullptr, &value.type,
                                  reinterpret_cast<BYTE*>(&value.bytes[0]), &size) == ERROR_SUCCESS;
  value.bytes.resize(size);
  return value;
}

void Write(HKEY root, const std::wstring& key, const wchar_t* name, const StoredValue& value,
           REGSAM view) {
  afx::UniqueRegKey opened;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, opened.put(),
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  if (value.exists) {
    RegSetValueExW(opened.get(), name, 0, value.type,
                   reinterpret_cast<const BYTE*>(value.bytes.data()),
                   static_cast<DWORD>(value.bytes.size()));
  } else {
    RegDeleteValueW(opened.get(), name);
  }
}

// The value as given, and as it was afterwards.
void Store(Changes& changes, HKEY root, const std::wstring& key, const wchar_t* name,
           const StoredValue& value, REGSAM view) {
  const std::wstring valueName = name ? name : L"";
  const StoredValue before = Read(root, key, name, view);
  Write(root, key, name, value, view);
  changes.Then(
      [=] { Write(root, key, valueName.empty() ? nullptr : valueName.c_str(), before, view); });
}

}  // namespace

std::string TextBytes(const std::wstring& text, bool terminated) {
  const size_t chars = text.size() + (terminated ? 1 : 0);
  return std::string(reinterpret_cast<const char*>(text.c_str()), chars * sizeof(wchar_t));
}

void Changes::Undo() {
  while (!undo_.empty()) {
    const std::function<void()> undo = std::move(undo_.back());
    undo_.pop_back();
    undo();
  }
}

void Changes::Remove(const std::wstring& file) {
  const std::wstring aside = file + kAside;
  if (!MoveFileExW(file.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
  Then([file, aside] { MoveFileExW(aside.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING); });
}

void Changes::Replace(const std::wstring& file, const std::wstring& with) {
  Remove(file);
  CopyFileW(with.c_str(), file.c_str(), FALSE);
  Then([file] { DeleteFileW(file.c_str()); });
}

void Changes::Create(const std::wstring& file, const std::string& bytes) {
  const afx::UniqueFile created(
      CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  if (created) {
    WriteFile(created.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
  Then([file] { DeleteFileW(file.c_str()); });
}

void Changes::Folder(const std::wstring& folder) {
  if (CreateDirectoryW(folder.c_str(), nullptr)) {
    Then([folder] { RemoveDirectoryW(folder.c_str()); });
  }
}

void Changes::SetValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD type,
                       const std::string& bytes, REGSAM view) {
  Store(*this, root, key, name, {true, type, bytes}, view);
}

void Changes::DeleteValue(HKEY root, const std::wstring& key, const wchar_t* name, REGSAM view) {
  Store(*this, root, key, name, StoredValue(), view);
}

void Changes::DeleteTree(HKEY root, const std::wstring& key) {
  const std::wstring backup = std::wstring(kBackupKey) + L"\\" + std::to_wstring(undo_.size());
  afx::UniqueRegKey source;
  afx::UniqueRegKey copy;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, source.put()) != ERROR_SUCCESS ||
      RegCreateKeyExW(HKEY_CURRENT_USER, backup.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      copy.put(), nullptr) != ERROR_SUCCESS ||
      RegCopyTreeW(source.get(), nullptr, copy.get()) != ERROR_SUCCESS) {
    return;
  }
  source.reset();
  RegDeleteTreeW(root, key.c_str());
  RegDeleteKeyW(root, key.c_str());
  Then([root, key, backup] {
    afx::UniqueRegKey restored;
    afx::UniqueRegKey saved;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, restored.put(),
                        nullptr) == ERROR_SUCCESS &&
        RegOpenKeyExW(HKEY_CURRENT_USER, backup.c_str(), 0, KEY_READ, saved.put()) ==
            ERROR_SUCCESS) {
      RegCopyTreeW(saved.get(), nullptr, restored.get());
    }
    saved.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, backup.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, backup.c_str());
  });
}

void Changes::Scanner(const std::wstring& command, const std::wstring& undo) {
  e2e::Scanner(command);
  Then([undo] { e2e::Scanner(undo); });
}

void Changes::Companion(const std::wstring& command, const std::wstring& undo) {
  e2e::Companion(command);
  Then([undo] { e2e::Companion(undo); });
}

}  // namespace e2e
