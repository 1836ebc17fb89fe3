// The version number on Windows: the system's own.
#include "platform/win32/windows_api.h"

#include "platform/os_version.h"

namespace kor::platform {

std::uint32_t GetVersion() { return static_cast<std::uint32_t>(::GetVersion()); }

}  // namespace kor::platform
