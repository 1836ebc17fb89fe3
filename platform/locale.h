// The user's locale settings that the library's number texts follow.
#pragma once

#include "kortools/types.h"

namespace kor::platform {

// The decimal separator of the user's locale settings ("." by default), as
// the environment names them at the time of the call (each locale is looked
// up once). The process's own locale is neither used nor changed.
String DecimalSeparator();

}  // namespace kor::platform
