// Text in the substitutes' logs, messages and console output: UTF-16 inside,
// UTF-8 (or the ANSI code page, for Simple MAPI) outside.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace simshared {

std::string ToUtf8(const std::wstring& text);
std::wstring ToWide(const std::string& bytes, UINT codePage = CP_UTF8);

// The process's command line, split as the shell splits it; the program first.
std::vector<std::wstring> CommandArguments();

// Writes `text` in UTF-8 to STD_OUTPUT_HANDLE or STD_ERROR_HANDLE, if there is one.
void WriteStd(DWORD which, const std::wstring& text);

}  // namespace simshared
