// Out-of-line destructors of the published interfaces, so that their virtual
// tables live in the library.
#include "kortools/RegKey.h"
#include "kortools/korCSV_IO.h"
#include "kortools/korFileMan.h"
#include "kortools/korINI.h"
#include "kortools/korParse.h"
#include "kortools/object.h"

namespace kor {

HostObject::~HostObject() = default;
_korINI::~_korINI() = default;
_korParse::~_korParse() = default;
_korCSV_IO::~_korCSV_IO() = default;
_RegKey::~_RegKey() = default;
_korFileMan::~_korFileMan() = default;

}  // namespace kor
