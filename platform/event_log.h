// The application event log: where the library's message requests go. A
// report never waits for a person and never blocks the caller.
#pragma once

#include "kortools/types.h"

namespace kor::platform {

class EventLog {
 public:
  virtual ~EventLog() = default;
  // Records one message text; errors are swallowed.
  virtual void Report(const String& text) = 0;
};

// The event log of this platform, chosen once per process.
EventLog& GetEventLog();

}  // namespace kor::platform
