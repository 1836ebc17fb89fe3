// Message requests. The library runs unattended: a request that would show a
// message box writes its text to the event log, tells the host, and returns
// at once.
#pragma once

#include "kortools/types.h"

namespace kor {

void RequestMessage(const String& text);

}  // namespace kor
