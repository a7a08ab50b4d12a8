#include "framework/modulepath.h"

namespace afx {

std::wstring ModuleFileName(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    // A path that filled the buffer may have been cut: try again, larger.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 0x8000) return std::wstring();
    path.resize(path.size() * 2);
  }
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace afx
