// Folders and temporary files.
#include "kortools/error.h"
#include "kortools/korFileMan.h"

namespace kor {

String korFileMan::GetTempDir() { throw Error::Runtime(445); }
Boolean korFileMan::CreatePath(String) { throw Error::Runtime(445); }
String korFileMan::GetTempFilePathname(String*, String*) { throw Error::Runtime(445); }
void korFileMan::CreateFolderTree(String&, String) {}

}  // namespace kor
