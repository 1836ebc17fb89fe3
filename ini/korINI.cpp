#include "kortools/error.h"
#include "kortools/korINI.h"

namespace kor {

void korINI::GetGroup(String&, String&, Integer&, Integer&, StringArray&) { throw Error::Runtime(445); }
String korINI::GetIni(String&, String&, String&, String&) { throw Error::Runtime(445); }
Variant korINI::GetInt(String&, String&, Integer&, String&) { throw Error::Runtime(445); }
void korINI::ReadPrivateWindow(Object&, String&, String*) { throw Error::Runtime(445); }
void korINI::ReadWindowSettings(Object&, String&) { throw Error::Runtime(445); }
Long korINI::WriteINI(String, String, String, String) { throw Error::Runtime(445); }
void korINI::WritePrivateWindowinIni(Object&, String&, String&) { throw Error::Runtime(445); }
void korINI::WriteWindowInIni(Object&, String&) { throw Error::Runtime(445); }
void korINI::GetGroupKeys(String&, String&, StringArray&, Integer&, StringArray&) { throw Error::Runtime(445); }

}  // namespace kor
