// File queries: existence of files and folders, file times and lock probes.
#include "kortools/error.h"
#include "kortools/korFileMan.h"
#include "platform/os_version.h"

namespace kor {

Integer korFileMan::FileExists(String&) { throw Error::Runtime(445); }
Variant korFileMan::FileDateTimeExt(String&, Variant*, Variant*) { throw Error::Runtime(445); }
Variant korFileMan::FileDateTime(String&, Variant*, Variant*) { throw Error::Runtime(445); }
Variant korFileMan::SysToVBTime(Long&, Long&) { throw Error::Runtime(445); }
Boolean korFileMan::FolderExists(String) { throw Error::Runtime(445); }
Boolean korFileMan::FileIsLocked(String&) { throw Error::Runtime(445); }
Boolean korFileMan::FileIsAvailable(String&, Boolean&) { throw Error::Runtime(445); }

// True when the platform's major version is 4 or more: the shell file
// operations then go through the shell.
Boolean korFileMan::IsOSVersion4OrLater() { return platform::MajorVersion(platform::GetVersion()) >= 4; }

}  // namespace kor
