#include "framework/cstring.h"

#include <cstdio>
#include <cwchar>

BOOL CString::LoadString(UINT id) {
  const wchar_t* resource = nullptr;
  const int length =
      ::LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&resource), 0);
  if (length <= 0 || !resource) return FALSE;
  text_.assign(resource, static_cast<size_t>(length));
  return TRUE;
}

void CString::Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

// The Windows runtime's own wide formatting, whose %s and %c take wide
// arguments: mingw's C99 swprintf would read them as narrow.
void CString::FormatV(const wchar_t* format, va_list args) {
  if (!format) format = L"";
  va_list measure;
  va_copy(measure, args);
  const int length = _vscwprintf(format, measure);
  va_end(measure);
  if (length <= 0) {
    text_.clear();
    return;
  }
  std::wstring out(static_cast<size_t>(length) + 1, L'\0');
  _vsnwprintf(out.data(), out.size(), format, args);
  out.resize(static_cast<size_t>(length));
  text_ = std::move(out);
}
