// Placeholder: filled in by the work on file management.
#include "platform/shell_file_operation.h"

namespace kor::platform {
namespace {

class PosixShellFileOperations final : public ShellFileOperations {
 public:
  int SHFileOperation(ShFileOpStruct&) override { return 1; }
};

}  // namespace

ShellFileOperations& PlatformShellFileOperations() {
  static PosixShellFileOperations operations;
  return operations;
}

}  // namespace kor::platform
