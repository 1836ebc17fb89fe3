// The host's event processing is the callback it lends (kortools/host.h); the
// same on every platform, since the library itself runs no event loop.
#include "frame/host_events.h"

#include "kortools/host.h"

namespace kor::platform {

void ProcessPendingEvents() {
  if (const auto& process = GetHostHooks().processEvents) process();
}

}  // namespace kor::platform
