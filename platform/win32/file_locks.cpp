// The runtime's binary-mode open on Windows: CreateFileA with the sharing
// asked for, so the system itself refuses a conflicting open (error 70) and
// keeps later openers out while the file is open.
#include "platform/file_locks.h"

#include <cstdint>

#include "platform/win32/win32_errors.h"

namespace kor::platform {
namespace {

class Win32BinaryFile final : public BinaryFile {
 public:
  explicit Win32BinaryFile(HANDLE h) : file_(h) {}

  std::optional<std::uint8_t> ReadByte(std::uint64_t position) override {
    if (!file_.valid() || position == 0 || position > static_cast<std::uint64_t>(INT64_MAX)) throw Error::Runtime(52);
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(position - 1);
    if (!::SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN)) win32::RaiseLastError();
    std::uint8_t byte = 0;
    DWORD read = 0;
    if (!::ReadFile(file_.get(), &byte, 1, &read, nullptr)) throw Error::Runtime(57);
    if (read == 0) return std::nullopt;
    return byte;
  }

  void Close() override {
    if (!file_.Reset()) win32::RaiseLastError();
  }

 private:
  win32::Handle file_;
};

class Win32BinaryFiles final : public BinaryFiles {
 public:
  std::unique_ptr<BinaryFile> Open(std::string_view name, FileAccess access, FileShare share) override {
    const std::string n = win32::CName(name);
    if (n.empty() || n.find_first_of("*?") != std::string::npos) throw Error::Runtime(52);
    const DWORD desired = access == FileAccess::kRead ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    const DWORD shareMode = share == FileShare::kShared      ? FILE_SHARE_READ | FILE_SHARE_WRITE
                            : share == FileShare::kDenyWrite ? FILE_SHARE_READ
                                                             : 0;
    const DWORD disposition = access == FileAccess::kRead ? OPEN_EXISTING : OPEN_ALWAYS;
    const HANDLE h = ::CreateFileA(n.c_str(), desired, shareMode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) win32::RaiseLastError();
    return std::make_unique<Win32BinaryFile>(h);
  }
};

}  // namespace

BinaryFiles& GetBinaryFiles() {
  static Win32BinaryFiles files;
  return files;
}

}  // namespace kor::platform
