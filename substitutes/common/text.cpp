#include "text.h"

#include <shellapi.h>

namespace simshared {

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &out[0], bytes, nullptr, nullptr);
  return out;
}

std::wstring ToWide(const std::string& bytes, UINT codePage) {
  if (bytes.empty()) return std::wstring();
  const int length = static_cast<int>(bytes.size());
  const int chars = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
  if (chars <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), length, &out[0], chars);
  return out;
}

std::vector<std::wstring> CommandArguments() {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return {};
  std::vector<std::wstring> arguments(argv, argv + count);
  LocalFree(argv);
  return arguments;
}

namespace {

// A program of the GUI subsystem started from a console window has no
// standard handles on Windows (Wine hands it the console's): it writes to the
// console of the process that started it, when there is one.
HANDLE ParentConsole() {
  static HANDLE console = [] {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return INVALID_HANDLE_VALUE;
    return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
  }();
  return console;
}

}  // namespace

void WriteStd(DWORD which, const std::wstring& text) {
  HANDLE out = GetStdHandle(which);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) out = ParentConsole();
  if (out == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  DWORD mode = 0;
  // A console takes the text as it is, whatever its code page.
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const std::string bytes = ToUtf8(text);
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace simshared
