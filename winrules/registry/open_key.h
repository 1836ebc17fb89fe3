// Open keys of a registry store and the "A" functions' answers about them:
// the rights a key is opened with, HKEY_CLASSES_ROOT as the user's key over
// the machine's, and names and data placed into the caller's buffers as
// RegEnumValueA, RegEnumKeyExA and RegQueryValueExA place them (strings in
// the code page, ERROR_MORE_DATA with the size needed when they do not fit).
// The handle table, the locking and the reading of the files are the
// platform's (platform/posix/registry.cpp).
//
//   OpenKey k;
//   PredefinedRoot(RootKey(HKEY_CURRENT_USER), k);
//   k.store = store;                          // std::shared_ptr<const Store>
//   k.path = {"SOFTWARE", "ACME"};            // folded names
//   if (Open(k) == 0) QueryValue([&] { return &k; }, cp, "Path", &type, buffer, &size);
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/registry.h"
#include "winrules/registry/store.h"

namespace kor::platform::regstore {

// The rights a key is opened with, as Windows checks them: reading values
// (RegEnumValue, RegQueryValueEx) needs KEY_QUERY_VALUE, enumerating subkeys
// (RegEnumKeyEx) needs KEY_ENUMERATE_SUB_KEYS; either call without its right
// gives ERROR_ACCESS_DENIED. Opening itself is granted for any mask, write
// rights included, as Wine grants it (nothing is ever written). The generic
// rights stand for the key rights they map to.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
std::uint32_t KeyRights(std::uint32_t samDesired);

// An open key: the key, or for HKEY_CLASSES_ROOT the user's key over the
// machine's (either may be missing).
struct OpenKey {
  std::shared_ptr<const Store> store;
  std::uint32_t rights = kKeyAllAccess;  // a predefined root has them all
  bool classes = false;
  Root root = Root::kLocalMachine;
  std::vector<std::string> path;  // folded names below the root (below Software\Classes for classes)
  std::vector<const Key*> layers;
  std::vector<const Key*> subkeys;  // merged, for two layers
  std::vector<const Value*> values;

  std::size_t SubkeyCount() const;
  const Key* SubkeyAt(std::size_t i) const;
  std::size_t ValueCount() const;
  const Value* ValueAt(std::size_t i) const;
  const Value* FindValue(std::string_view name, bool& damaged) const;
};

// Sets `k` to a predefined root (HKEY_CLASSES_ROOT to HKEY_CURRENT_CONFIG);
// false for any other handle.
bool PredefinedRoot(RegistryKey key, OpenKey& k);

// Adds the names of `subKey` ("Software\Acme", in `cp`) to the path,
// folded; a name beginning with "\" is ERROR_BAD_PATHNAME.
std::uint32_t AddSubKey(OpenKey& k, std::string_view subKey, const CodePage& cp);

// Finds the key of `k.path` in `k.store`: 0, ERROR_FILE_NOT_FOUND, or the
// code of a file that could not be read where the key would be.
std::uint32_t Open(OpenKey& k);

// RegEnumValueA, RegEnumKeyExA and RegQueryValueExA: the arguments are
// checked first (ERROR_INVALID_PARAMETER), then `use` gives the open key of
// the call (null: ERROR_INVALID_HANDLE). Names and strings are in `cp`.
using UseKey = std::function<const OpenKey*()>;
std::uint32_t EnumValue(const UseKey& use, const CodePage& cp, std::uint32_t index, char* valueName,
                        std::uint32_t* valueNameLength, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* dataLength);
std::uint32_t EnumKey(const UseKey& use, const CodePage& cp, std::uint32_t index, char* name, std::uint32_t* nameLength,
                      char* className, std::uint32_t* classLength, std::uint64_t* lastWriteTime);
std::uint32_t QueryValue(const UseKey& use, const CodePage& cp, const char* valueName, std::uint32_t* type,
                         std::uint8_t* data, std::uint32_t* dataSize);

}  // namespace kor::platform::regstore
