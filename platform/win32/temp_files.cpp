// Temporary files and new folders on Windows: GetTempPathA,
// GetTempFileNameA and CreateDirectoryA.

#include "platform/temp_files.h"
#include "platform/win32/win32_errors.h"

namespace kor::platform {
namespace {

class Win32FileCreation final : public FileCreation {
 public:
  std::uint32_t GetTempPath(std::uint32_t bufferLength, char* buffer) override {
    return ::GetTempPathA(bufferLength, buffer);
  }

  std::uint32_t GetTempFileName(std::string_view pathName, std::string_view prefixString, std::uint32_t unique,
                                char* tempFileName, std::uint32_t* lastError) override {
    const std::string path = win32::CName(pathName);
    const std::string prefix = win32::CName(prefixString);
    const UINT r = ::GetTempFileNameA(path.c_str(), prefix.c_str(), unique, tempFileName);
    if (r == 0 && lastError != nullptr) *lastError = ::GetLastError();
    return r;
  }

  void MkDir(std::string_view name) override {
    if (name.empty()) throw Error::Runtime(52);
    if (name.find('\0') != std::string_view::npos) throw Error::Runtime(52);
    const std::string folder(name);
    if (::CreateDirectoryA(folder.c_str(), nullptr)) return;
    const DWORD e = ::GetLastError();
    // An existing name, or a parent that may not be written to.
    if (e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS || e == ERROR_ACCESS_DENIED) throw Error::Runtime(75);
    win32::Raise(e);
  }
};

}  // namespace

FileCreation& PlatformFileCreation() {
  static Win32FileCreation creation;
  return creation;
}

}  // namespace kor::platform
