// The file system's names on Windows: Windows names are the platform's own,
// so they pass through; full names, the current and temporary folders and
// the module's name come from the system.
#include <atomic>

#include "platform/paths.h"
#include "platform/win32/windows_api.h"

namespace kor::platform {
namespace {

std::uint32_t LastError() {
  const DWORD e = ::GetLastError();
  return e != 0 ? static_cast<std::uint32_t>(e) : kErrorPathNotFound;
}

// A string from a "fill a buffer, or say the size needed" function.
template <typename Fill>
std::uint32_t Grow(std::string& out, Fill fill) {
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = fill(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) return LastError();
    if (n < buffer.size()) {
      buffer.resize(n);
      out = std::move(buffer);
      return 0;
    }
    buffer.assign(n + 1, '\0');
  }
}

class Win32FileSystemView final : public FileSystemView {
 public:
  const CodePage& NameCodePage() const override { return SystemCodePage(); }

  std::uint32_t GetFullPathName(std::string_view name, std::uint32_t bufferLength, char* buffer, char** filePart,
                                std::uint32_t* lastError) const override {
    const std::string n(UpToNul(name));
    const DWORD r = ::GetFullPathNameA(n.c_str(), bufferLength, buffer, filePart);
    if (r == 0 && lastError != nullptr) *lastError = LastError();
    return r;
  }

  std::uint32_t FullPathName(std::string_view name, std::string& full) const override {
    const std::string n(UpToNul(name));
    if (n.empty()) return kErrorPathNotFound;
    return Grow(full, [&](DWORD size, char* p) { return ::GetFullPathNameA(n.c_str(), size, p, nullptr); });
  }

  std::uint32_t ToPosix(std::string_view name, std::string& posix) const override {
    posix.assign(UpToNul(name));
    return 0;
  }

  std::uint32_t FindPosix(std::string_view name, std::string& posix) const override { return ToPosix(name, posix); }
  std::uint32_t FindPattern(std::string_view pattern, std::string& posix) const override {
    return ToPosix(pattern, posix);
  }

  std::uint32_t ToWindows(std::string_view posix, std::string& name) const override {
    return FullPathName(posix, name);
  }

  std::uint32_t CurrentFolder(std::string& name) const override {
    return Grow(name, [](DWORD size, char* p) { return ::GetCurrentDirectoryA(size, p); });
  }

  std::uint32_t TempFolder(std::string& name) const override {
    return Grow(name, [](DWORD size, char* p) { return ::GetTempPathA(size, p); });
  }

  std::uint32_t ModuleFileName(std::string& name) const override {
    HMODULE self = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCSTR>(&ReloadFileSystemView), &self))
      return LastError();
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
      const DWORD n = ::GetModuleFileNameA(self, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (n == 0) return LastError();
      if (n < buffer.size()) {
        buffer.resize(n);
        name = std::move(buffer);
        return 0;
      }
      buffer.assign(buffer.size() * 2, '\0');
    }
  }
};

}  // namespace

const FileSystemView& GetFileSystemView() {
  static const Win32FileSystemView view;
  return view;
}

// The view holds nothing of its own; only the code page is chosen again.
void ReloadFileSystemView() { ReloadSystemCodePage(); }

}  // namespace kor::platform
