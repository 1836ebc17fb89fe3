// The processing of the host's pending events: lets the host handle what is
// waiting in its event loop (input, repaint, timers) during a long call. The
// host may run code of its own, and call the library again, before this
// returns.
#pragma once

namespace kor::platform {

// Processes the host's pending events once and returns. A host without an
// event loop lends no hook, and the call then does nothing. Whatever the
// host's processing raises reaches the caller.
void ProcessPendingEvents();

}  // namespace kor::platform
