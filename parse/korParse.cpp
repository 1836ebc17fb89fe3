#include "kortools/error.h"
#include "kortools/korParse.h"

namespace kor {

String korParse::ParseString(String&, String, Long) { throw Error::Runtime(445); }
Integer korParse::SmartParse(String&, StringArray&, String*, String*) { throw Error::Runtime(445); }
Variant korParse::SandR(String, String&, String&) { throw Error::Runtime(445); }
Integer korParse::ParseTokenArray(String, Integer&, StringArray&, Integer&) { throw Error::Runtime(445); }

}  // namespace kor
