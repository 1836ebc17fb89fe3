// The registry: the platform's registry operations as the "A" functions of the
// Windows API take them (RegOpenKeyExA, RegCloseKey, RegEnumValueA,
// RegEnumKeyExA, RegQueryValueExA). Names and string data cross in the system
// code page (platform/code_page.h); every name ends at its first NUL. Each
// operation returns 0 or a Win32 error code.
//
//   auto& reg = kor::platform::GetRegistry();
//   kor::platform::RegistryKey key = 0;
//   if (reg.RegOpenKeyEx(kor::platform::RootKey(kor::HKEY_CURRENT_USER), "Software\\Acme", 0,
//                        kor::KEY_READ, &key) == 0) {
//     std::uint32_t kind = 0, size = 0;
//     reg.RegQueryValueEx(key, "Path", &kind, nullptr, &size);   // kind and size in bytes
//     reg.RegCloseKey(key);
//   }
//
// On POSIX systems the registry is read from files (KORTOOLS_REGISTRY, see
// platform/posix/registry.cpp); it is read-only.
#pragma once

#include <cstdint>

namespace kor::platform {

// An open key, or one of the predefined roots (RootKey). 0 is no key.
using RegistryKey = std::uintptr_t;

// The handle of a predefined root, from its eRegistryRoots value.
constexpr RegistryKey RootKey(std::int32_t root) { return static_cast<RegistryKey>(static_cast<std::uint32_t>(root)); }

// Result codes of the registry operations.
inline constexpr std::uint32_t kRegOk = 0;                  // ERROR_SUCCESS
inline constexpr std::uint32_t kRegNotFound = 2;            // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kRegAccessDenied = 5;        // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kRegInvalidHandle = 6;       // ERROR_INVALID_HANDLE
inline constexpr std::uint32_t kRegInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
inline constexpr std::uint32_t kRegBadPathname = 161;       // ERROR_BAD_PATHNAME
inline constexpr std::uint32_t kRegMoreData = 234;          // ERROR_MORE_DATA
inline constexpr std::uint32_t kRegNoMoreItems = 259;       // ERROR_NO_MORE_ITEMS
inline constexpr std::uint32_t kRegCorrupt = 1015;          // ERROR_REGISTRY_CORRUPT
inline constexpr std::uint32_t kRegIoFailed = 1016;         // ERROR_REGISTRY_IO_FAILED
inline constexpr std::uint32_t kRegNotRegistryFile = 1017;  // ERROR_NOT_REGISTRY_FILE

// Kinds of value.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

class Registry {
 public:
  virtual ~Registry() = default;

  // Opens `subKey` (null or "" for the key itself) below `key`, a root or an
  // open key. Stores the new key's handle in `*result` (0 on failure).
  virtual std::uint32_t RegOpenKeyEx(RegistryKey key, const char* subKey, std::uint32_t options,
                                     std::uint32_t samDesired, RegistryKey* result) = 0;

  virtual std::uint32_t RegCloseKey(RegistryKey key) = 0;

  // The value at `index` in the key's enumeration order. `*nameLength` holds
  // the buffer's size in characters, NUL included, and receives the name's
  // length without the NUL. `type`, `data` and `dataLength` may be null;
  // `*dataLength` holds the data buffer's size in bytes and receives the
  // data's size. 234 when the name or the data does not fit (the kind and the
  // sizes needed are delivered then, and as much of the name as fits), 259
  // past the last value.
  virtual std::uint32_t RegEnumValue(RegistryKey key, std::uint32_t index, char* valueName,
                                     std::uint32_t* valueNameLength, std::uint32_t* type, std::uint8_t* data,
                                     std::uint32_t* dataLength) = 0;

  // As RegEnumValue, for subkeys. `className`, `classLength` and
  // `lastWriteTime` (a FILETIME: 100 ns units since 1601) may be null.
  virtual std::uint32_t RegEnumKeyEx(RegistryKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                                     char* className, std::uint32_t* classLength, std::uint64_t* lastWriteTime) = 0;

  // The value named `valueName` (null or "" for the key's default value).
  // With `data` null only the kind and the size are delivered; otherwise 234
  // when the data is larger than `*dataSize`, which then receives the size.
  virtual std::uint32_t RegQueryValueEx(RegistryKey key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                                        std::uint32_t* dataSize) = 0;
};

// The registry of this platform.
Registry& GetRegistry();

}  // namespace kor::platform
