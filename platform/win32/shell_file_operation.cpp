// The shell file operation on Windows: SHFileOperationA itself.
#include "platform/shell_file_operation.h"

#include "platform/win32/windows_api.h"

namespace kor::platform {
namespace {

class Win32ShellFileOperations final : public ShellFileOperations {
 public:
  int SHFileOperation(ShFileOpStruct& op) override {
    // The lists are passed as they are: each name ends in a NUL and the list
    // in a second one.
    std::string from = op.pFrom + std::string(2, '\0');
    std::string to = op.pTo ? *op.pTo + std::string(2, '\0') : std::string();
    SHFILEOPSTRUCTA shell{};
    shell.hwnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(op.hwnd));
    shell.wFunc = op.wFunc;
    shell.pFrom = from.c_str();
    shell.pTo = op.pTo ? to.c_str() : nullptr;
    shell.fFlags = static_cast<FILEOP_FLAGS>(op.fFlags);
    shell.lpszProgressTitle = op.lpszProgressTitle ? op.lpszProgressTitle->c_str() : nullptr;
    const int result = ::SHFileOperationA(&shell);
    op.fAnyOperationsAborted = shell.fAnyOperationsAborted != FALSE;
    return result;
  }
};

}  // namespace

ShellFileOperations& PlatformShellFileOperations() {
  static Win32ShellFileOperations operations;
  return operations;
}

}  // namespace kor::platform
