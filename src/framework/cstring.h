// Wide string with the framework's formatting and resource loading.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>

class CString {
 public:
  CString() = default;
  CString(const wchar_t* text) : text_(text ? text : L"") {}  // NOLINT: implicit by design
  CString(std::wstring text) : text_(std::move(text)) {}      // NOLINT: implicit by design

  const wchar_t* GetString() const { return text_.c_str(); }
  operator const wchar_t*() const { return text_.c_str(); }  // NOLINT
  const std::wstring& str() const { return text_; }
  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }

  CString& operator=(const wchar_t* text) {
    text_ = text ? text : L"";
    return *this;
  }
  CString& operator+=(const wchar_t* text) {
    text_ += text;
    return *this;
  }
  bool operator==(const wchar_t* text) const { return text_ == text; }
  bool operator!=(const wchar_t* text) const { return text_ != text; }

  // Loads string resource `id` of the program's module. Leaves the text
  // unchanged and returns FALSE when the string does not exist or is empty.
  BOOL LoadString(UINT id);

  // printf-style formatting with the framework's conventions: %s and %c take
  // wide arguments (%hs and %hc narrow ones), as in the Windows runtime.
  void Format(const wchar_t* format, ...);
  void FormatV(const wchar_t* format, va_list args);

 private:
  std::wstring text_;
};
