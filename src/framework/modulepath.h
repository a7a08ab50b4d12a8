// The full path of a loaded module, however long it is.
#pragma once

#include <windows.h>

#include <string>

namespace afx {

// Empty when the path cannot be read.
std::wstring ModuleFileName(HMODULE module);
// The folder of `path` without its last backslash; empty when there is none.
std::wstring FolderOf(const std::wstring& path);

}  // namespace afx
