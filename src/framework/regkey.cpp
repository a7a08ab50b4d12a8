#include "framework/regkey.h"

#include "framework/debug.h"

LONG CRegKey::Create(HKEY parent, const wchar_t* keyName, wchar_t* keyClass, DWORD options,
                     REGSAM access, LPSECURITY_ATTRIBUTES security, LPDWORD disposition) {
  HKEY key = nullptr;
  const LONG result =
      RegCreateKeyExW(parent, keyName, 0, keyClass, options, access, security, &key, disposition);
  if (result == ERROR_SUCCESS) m_hKey.reset(key);
  return result;
}

LONG CRegKey::Open(HKEY parent, const wchar_t* keyName, REGSAM access) {
  HKEY key = nullptr;
  const LONG result = RegOpenKeyExW(parent, keyName, 0, access, &key);
  if (result == ERROR_SUCCESS) m_hKey.reset(key);
  return result;
}

LONG CRegKey::Close() {
  const HKEY key = m_hKey.release();
  return key ? RegCloseKey(key) : ERROR_SUCCESS;
}

LONG CRegKey::QueryDWORDValue(const wchar_t* name, DWORD& value) {
  AFX_ASSERT(m_hKey != 0);
  if (!m_hKey) return ERROR_INVALID_HANDLE;
  DWORD read = 0;
  DWORD type = REG_NONE;
  DWORD size = sizeof(read);
  const LONG result =
      RegQueryValueExW(m_hKey.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size);
  if (result != ERROR_SUCCESS) return result;
  if (type != REG_DWORD || size != sizeof(read)) return ERROR_INVALID_DATA;
  value = read;
  return ERROR_SUCCESS;
}

LONG CRegKey::SetDWORDValue(const wchar_t* name, DWORD value) {
  AFX_ASSERT(m_hKey != 0);
  if (!m_hKey) return ERROR_INVALID_HANDLE;
  return RegSetValueExW(m_hKey.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof(value));
}
