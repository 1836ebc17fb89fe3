// Copy, move, rename and delete, through the shell or the plain file
// operations.
#include "kortools/error.h"
#include "kortools/korFileMan.h"

namespace kor {

Boolean korFileMan::FileCopyExt(String&, String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileCopy(String&, String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileMoveExt(String&, String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileMove(String&, String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileRenameExt(String&, String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileRename(String&, String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileDeleteExt(String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }
Boolean korFileMan::FileDelete(String&, FileActionFlags*, Variant*, Variant*) { throw Error::Runtime(445); }

}  // namespace kor
