// How the soak tells its bare program which round to make.
#pragma once

#include <windows.h>

namespace soak_bare {

constexpr wchar_t kProgram[] = L"soak_bare.exe";
constexpr wchar_t kClassName[] = L"SoakBareWindow";
constexpr UINT kSaveAs = WM_APP + 1;
constexpr UINT kMail = WM_APP + 2;

}  // namespace soak_bare
