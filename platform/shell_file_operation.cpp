// The shell file operation in use, and its replacement.
#include "platform/shell_file_operation.h"

#include <atomic>

namespace kor::platform {
namespace {

std::atomic<ShellFileOperations*> g_replacement{nullptr};

}  // namespace

ShellFileOperations& GetShellFileOperations() {
  ShellFileOperations* replacement = g_replacement.load(std::memory_order_acquire);
  return replacement != nullptr ? *replacement : PlatformShellFileOperations();
}

void SetShellFileOperations(ShellFileOperations* replacement) {
  g_replacement.store(replacement, std::memory_order_release);
}

}  // namespace kor::platform
