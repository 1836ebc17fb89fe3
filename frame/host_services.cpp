// The host's services are callbacks the host sets; they are the same on
// every platform.
#include "kortools/host.h"

namespace kor {
namespace {

HostHooks& Hooks() {
  static HostHooks hooks;
  return hooks;
}

}  // namespace

void SetHostHooks(HostHooks hooks) { Hooks() = std::move(hooks); }
const HostHooks& GetHostHooks() { return Hooks(); }

}  // namespace kor
