#include "framework/cstring.h"

#include <cstdio>
#include <cwchar>

namespace {

// Appends `text` padded to `width`; `precision` < 0 means the whole text.
void AppendPadded(std::wstring& out, const wchar_t* text, bool left, int width, int precision) {
  if (!text) text = L"(null)";
  std::wstring piece(text);
  if (precision >= 0 && static_cast<size_t>(precision) < piece.size()) piece.resize(precision);
  const int pad =
      width > static_cast<int>(piece.size()) ? width - static_cast<int>(piece.size()) : 0;
  if (!left) out.append(pad, L' ');
  out += piece;
  if (left) out.append(pad, L' ');
}

void AppendPadded(std::wstring& out, const char* text, bool left, int width, int precision) {
  if (!text) return AppendPadded(out, static_cast<const wchar_t*>(nullptr), left, width, precision);
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  AppendPadded(out, wide.c_str(), left, width, precision);
}

}  // namespace

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

// Each conversion is handed to the C library on its own, with strings and
// characters rewritten to the explicit wide or narrow form: mingw's C99
// swprintf would otherwise read a plain %s as a narrow string.
void CString::FormatV(const wchar_t* format, va_list args) {
  std::wstring out;
  const wchar_t* p = format ? format : L"";
  while (*p) {
    if (*p != L'%') {
      out += *p++;
      continue;
    }
    const wchar_t* start = p++;
    if (*p == L'%') {
      out += L'%';
      ++p;
      continue;
    }
    std::wstring flags;
    while (*p && std::wcschr(L"-+ #0", *p)) flags += *p++;
    int width = 0;
    if (*p == L'*') {
      width = va_arg(args, int);
      if (width < 0) {
        flags += L'-';
        width = -width;
      }
      ++p;
    } else {
      while (*p >= L'0' && *p <= L'9') width = width * 10 + (*p++ - L'0');
    }
    int precision = -1;
    if (*p == L'.') {
      ++p;
      precision = 0;
      if (*p == L'*') {
        precision = va_arg(args, int);
        ++p;
      } else {
        while (*p >= L'0' && *p <= L'9') precision = precision * 10 + (*p++ - L'0');
      }
    }
    enum { kDefault, kShort, kLong, kLongLong, kWide } length = kDefault;
    // Pointer-sized integers (I, z, t) follow the architecture.
    constexpr auto kPointerSized = sizeof(void*) == 8 ? kLongLong : kDefault;
    if (*p == L'h') {
      length = kShort;
      ++p;
    } else if (*p == L'l') {
      length = kLong;
      ++p;
      if (*p == L'l') {
        length = kLongLong;
        ++p;
      }
    } else if (*p == L'w') {
      length = kWide;
      ++p;
    } else if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
      length = kLongLong;
      p += 3;
    } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
      p += 3;
    } else if (*p == L'I' || *p == L'z' || *p == L't') {
      length = kPointerSized;
      ++p;
    } else if (*p == L'j') {
      length = kLongLong;
      ++p;
    }
    const wchar_t conversion = *p;
    if (!conversion) {
      out.append(start);
      break;
    }
    ++p;
    const bool left = flags.find(L'-') != std::wstring::npos;

    // Numeric conversions keep their flags, width and precision.
    std::wstring fragment = L"%" + flags;
    if (width) fragment += std::to_wstring(width);
    if (precision >= 0) fragment += L"." + std::to_wstring(precision);
    wchar_t buffer[512];
    buffer[0] = 0;

    switch (conversion) {
      case L's':
        if (length == kShort) {
          AppendPadded(out, va_arg(args, const char*), left, width, precision);
        } else {
          AppendPadded(out, va_arg(args, const wchar_t*), left, width, precision);
        }
        continue;
      case L'S':
        if (length == kLong || length == kWide) {
          AppendPadded(out, va_arg(args, const wchar_t*), left, width, precision);
        } else {
          AppendPadded(out, va_arg(args, const char*), left, width, precision);
        }
        continue;
      case L'c':
      case L'C': {
        const int value = va_arg(args, int);
        const bool narrow = (conversion == L'c') == (length == kShort);
        const wchar_t one[2] = {narrow ? static_cast<wchar_t>(static_cast<unsigned char>(value))
                                       : static_cast<wchar_t>(value),
                                0};
        AppendPadded(out, one, left, width, -1);
        continue;
      }
      case L'd':
      case L'i':
      case L'u':
      case L'x':
      case L'X':
      case L'o':
        if (length == kLongLong) {
          fragment += L"ll";
          fragment += conversion;
          std::swprintf(buffer, 512, fragment.c_str(), va_arg(args, long long));
        } else {
          if (length == kShort) fragment += L"h";
          fragment += conversion;
          std::swprintf(buffer, 512, fragment.c_str(), va_arg(args, int));
        }
        break;
      case L'p':
        // As the platform prints it: every hex digit of the pointer's width.
        std::swprintf(
            buffer, 512, L"%0*llX", static_cast<int>(2 * sizeof(void*)),
            static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(va_arg(args, void*))));
        break;
      case L'e':
      case L'E':
      case L'f':
      case L'g':
      case L'G':
        fragment += conversion;
        std::swprintf(buffer, 512, fragment.c_str(), va_arg(args, double));
        break;
      default:
        out.append(start, p);
        continue;
    }
    out += buffer;
  }
  text_ = std::move(out);
}
