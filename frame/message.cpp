#include "frame/message.h"

#include "kortools/host.h"
#include "platform/event_log.h"

namespace kor {

void RequestMessage(const String& text) {
  platform::GetEventLog().Report(text);
  if (const auto& hook = GetHostHooks().onMessage) hook(text);
}

}  // namespace kor
