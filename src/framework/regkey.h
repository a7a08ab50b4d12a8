// Registry key with create-or-open, 4-byte value reads and writes, close.
#pragma once

#include <windows.h>

#include "framework/unique_handle.h"

class CRegKey {
 public:
  CRegKey() = default;
  CRegKey(const CRegKey&) = delete;
  CRegKey& operator=(const CRegKey&) = delete;
  ~CRegKey() { Close(); }

  LONG Create(HKEY parent, const wchar_t* keyName, wchar_t* keyClass = nullptr,
              DWORD options = REG_OPTION_NON_VOLATILE, REGSAM access = KEY_READ | KEY_WRITE,
              LPSECURITY_ATTRIBUTES security = nullptr, LPDWORD disposition = nullptr);
  LONG Open(HKEY parent, const wchar_t* keyName, REGSAM access = KEY_READ | KEY_WRITE);
  LONG Close();

  // Takes the value only when it is a REG_DWORD of exactly 4 bytes;
  // otherwise `value` keeps what it held and an error is returned.
  LONG QueryDWORDValue(const wchar_t* name, DWORD& value);
  LONG SetDWORDValue(const wchar_t* name, DWORD value);

  afx::UniqueRegKey m_hKey;
};
