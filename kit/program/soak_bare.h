// How the soak tells its bare program which round to make.
#pragma once

// The resource compiler reads the dialog's id from here too.
#define SOAK_BARE_LABELS 100

#ifndef RC_INVOKED
#include <windows.h>

namespace soak_bare {

constexpr wchar_t kProgram[] = L"soak_bare.exe";
constexpr wchar_t kClassName[] = L"SoakBareWindow";
constexpr UINT kSaveAs = WM_APP + 1;
constexpr UINT kMail = WM_APP + 2;
constexpr UINT kLabels = WM_APP + 3;

}  // namespace soak_bare
#endif
