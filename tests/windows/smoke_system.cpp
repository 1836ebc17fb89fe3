#include "tests/windows/smoke_system.h"

#include <windows.h>

namespace smoke {
namespace {
HANDLE g_held = INVALID_HANDLE_VALUE;
}  // namespace

bool Exists(const std::string& name) { return ::GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool HoldOpen(const std::string& name) {
  g_held = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  return g_held != INVALID_HANDLE_VALUE;
}

void Release() {
  if (g_held != INVALID_HANDLE_VALUE) ::CloseHandle(g_held);
  g_held = INVALID_HANDLE_VALUE;
}

double LocalNow() {
  FILETIME utc, local;
  ::GetSystemTimeAsFileTime(&utc);
  ::FileTimeToLocalFileTime(&utc, &local);
  const auto ticks = (static_cast<unsigned long long>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
  // 100-ns ticks from 1601; day 0 is 30 December 1899, 109205 days later.
  return static_cast<double>(ticks) / 864e9 - 109205.0;
}

unsigned long ProcessId() { return ::GetCurrentProcessId(); }

bool MakeTestKey(const std::string& key, const std::string& longName) {
  DeleteTestKey(key);
  HKEY k = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const wchar_t text[] = L"Gr\u00fc\u00dfe";
  const DWORD number = 0x12345678, minus = 0xFFFFFFFF;
  const BYTE blob[3] = {1, 2, 3};
  bool ok = ::RegSetValueExW(k, L"Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text) == 0 &&
            ::RegSetValueExA(k, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4) == 0 &&
            ::RegSetValueExA(k, "Minus", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&minus), 4) == 0 &&
            ::RegSetValueExA(k, "Blob", 0, REG_BINARY, blob, 3) == 0 &&
            ::RegSetValueExA(k, longName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("long"), 5) == 0;
  for (const std::string& name : {std::string("First"), longName}) {
    HKEY sub = nullptr;
    ok = ok && ::RegCreateKeyExA(k, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr) == 0;
    if (sub != nullptr) ::RegCloseKey(sub);
  }
  ::RegCloseKey(k);
  return ok;
}

void DeleteTestKey(const std::string& key) { ::RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()); }

}  // namespace smoke
