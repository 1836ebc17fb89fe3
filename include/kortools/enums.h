// The five enumerations published with the classes. Each is a set of Long
// constants; members of the same value (KEY_READ and KEY_EXECUTE,
// vbFileOpDefault and vbFileOpMultiDestFiles) are the same constant.
//
// The member names are the platform's own constant names. Code that also
// includes the Windows headers, where several of them are macros, must keep
// the two apart.
#pragma once

#include <cstdint>

namespace kor {

enum eRegistryRoots : std::int32_t {
  HKEY_CLASSES_ROOT = static_cast<std::int32_t>(0x80000000U),
  HKEY_CURRENT_CONFIG = static_cast<std::int32_t>(0x80000005U),
  HKEY_CURRENT_USER = static_cast<std::int32_t>(0x80000001U),
  HKEY_LOCAL_MACHINE = static_cast<std::int32_t>(0x80000002U),
  HKEY_DYN_DATA = static_cast<std::int32_t>(0x80000006U),
  HKEY_PERFORMANCE_DATA = static_cast<std::int32_t>(0x80000004U),
  HKEY_USERS = static_cast<std::int32_t>(0x80000003U),
};

enum eRegistryAccessModes : std::int32_t {
  KEY_QUERY_VALUE = 1,
  KEY_SET_VALUE = 2,
  KEY_CREATE_LINK = 32,
  KEY_CREATE_SUB_KEY = 4,
  KEY_ENUMERATE_SUB_KEYS = 8,
  KEY_NOTIFY = 16,
  KEY_READ = 0x20019,
  KEY_WRITE = 0x20006,
  KEY_ALL_ACCESS = 0xF003F,
  KEY_EXECUTE = 0x20019,
};

enum eRegistryErrorCodes : std::int32_t {
  ERROR_NONE = 0,
  ERROR_BADDB = 1,
  ERROR_BADKEY = 2,
  ERROR_CANTOPEN = 3,
  ERROR_CANTREAD = 4,
  ERROR_CANTWRITE = 5,
  ERROR_OUTOFMEMORY = 6,
  ERROR_ARENA_THRASHED = 7,
  ERROR_ACCESS_DENIED = 8,
  ERROR_INVALID_PARAMETERS = 87,
  ERROR_NO_MORE_ITEMS = 259,
  ERROR_INSUFFICIENT_BUFFER = 122,
  ERROR_MORE_DATA = 234,
};

enum eRegistryDataTypes : std::int32_t {
  rdtString = 1,
  rdtLong = 4,
  rdtUnsupported = -1,
};

enum FileActionFlags : std::int32_t {
  vbFileOpDefault = 1,
  vbFileOpMultiDestFiles = 1,
  vbFileOpNoProgress = 4,
  vbFileOpRenameOnCollision = 8,
  vbFileOpNoConfirm = 16,
  vbFileOpRecycleBin = 64,
  vbFileOpFilesOnly = 128,
  vbFileOpSimpleProgress = 256,
  vbFileOpNoConfirmMkDir = 512,
};

}  // namespace kor
