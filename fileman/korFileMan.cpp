#include "kortools/error.h"
#include "kortools/korFileMan.h"

namespace kor {

Integer korFileMan::FileExists(String&) { throw Error::Runtime(445); }
Variant korFileMan::FileDateTimeExt(String&, Variant*, Variant*) { throw Error::Runtime(445); }
Variant korFileMan::FileDateTime(String&, Variant*, Variant*) { throw Error::Runtime(445); }
Variant korFileMan::SysToVBTime(Long&, Long&) { throw Error::Runtime(445); }
Boolean korFileMan::FileCopyExt(String&, String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileCopy(String&, String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileMoveExt(String&, String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileMove(String&, String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileRenameExt(String&, String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileRename(String&, String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileDeleteExt(String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileDelete(String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FolderExists(String) { throw Error::Runtime(445); }
Boolean korFileMan::FileIsLocked(String&) { throw Error::Runtime(445); }
String korFileMan::GetTempDir() { throw Error::Runtime(445); }
Boolean korFileMan::CreatePath(String) { throw Error::Runtime(445); }
Boolean korFileMan::FileIsAvailable(String&, Boolean&) { throw Error::Runtime(445); }
String korFileMan::GetTempFilePathname(String*, String*) { throw Error::Runtime(445); }

}  // namespace kor
