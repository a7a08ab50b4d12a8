// Names for the kernel object that keeps a second copy of the program from
// starting, narrowed to a circle of processes by a suffix.
#pragma once

#include <cstdint>
#include <string>

enum ObjectNameScope : std::int32_t {
  SCOPE_NONE = 0,           // the base itself
  SCOPE_DESKTOP = 1,        // "-" and the calling thread's desktop name
  SCOPE_LOGON_SESSION = 2,  // "-" and the logon session id, 16 hex digits
  SCOPE_USER = 3,           // "-", the user's domain, "-", the user name
};

std::wstring MakeObjectName(const wchar_t* base, ObjectNameScope scope);
