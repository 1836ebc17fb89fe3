// Binary hive files (NTUSER.DAT, SOFTWARE, SYSTEM, ...) read into a registry
// store with libhivex; the other registry files are read by
// winrules/registry/registry_files.h, whose diagnostics this reader shares.
//
//   std::uint32_t code = ReadHiveFile("/srv/NTUSER.DAT", KeyPath{Root::kCurrentUser, {}}, store, quiet);
#pragma once

#include <cstdint>
#include <string>

#include "winrules/registry/registry_files.h"

namespace kor::platform::regstore {

// A binary hive file, read with libhivex from `path`, its root key placed at
// `place`: 0, or 1015 when the hive cannot be opened or its keys cannot be
// placed (the problems go to `diag`).
std::uint32_t ReadHiveFile(const std::string& path, const KeyPath& place, Store& store, Diagnostics& diag);

}  // namespace kor::platform::regstore
