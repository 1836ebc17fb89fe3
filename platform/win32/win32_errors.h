// The runtime's file errors for the Win32 error codes of a failed file
// operation, and names as the "A" functions take them.
#pragma once

#include "platform/win32/windows_api.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "kortools/error.h"
#include "platform/code_page.h"

namespace kor::platform::win32 {

// The runtime error number for a Win32 error code: 53 file not found, 76
// path not found, 67 too many files, 70 permission denied (the file in use),
// 75 path/file access error (access denied, a folder, a read-only file), 52
// bad file name, 58 file already exists, 61 disk full, 74 rename across
// drives, 57 device I/O error.
inline std::int32_t RuntimeErrorOf(DWORD win32) {
  switch (win32) {
    case ERROR_FILE_NOT_FOUND: return 53;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
    case ERROR_FILENAME_EXCED_RANGE: return 76;
    case ERROR_TOO_MANY_OPEN_FILES: return 67;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return 70;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return 52;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return 58;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return 61;
    case ERROR_NOT_SAME_DEVICE: return 74;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE: return 57;
    default: return 75;
  }
}

[[noreturn]] inline void Raise(DWORD win32) { throw Error::Runtime(RuntimeErrorOf(win32)); }
[[noreturn]] inline void RaiseLastError() { Raise(::GetLastError()); }

// A name up to its first NUL, as a NUL-terminated string.
inline std::string CName(std::string_view name) { return std::string(UpToNul(name)); }

// True when the last component of `name` holds "*" or "?".
inline bool HasWildcards(std::string_view name) {
  const std::size_t slash = name.find_last_of("\\/");
  return name.find_first_of("*?", slash == std::string_view::npos ? 0 : slash + 1) != std::string_view::npos;
}

// Closes a Win32 handle when it goes.
class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  // Closes the handle now; false when the close failed.
  bool Reset() {
    bool ok = true;
    if (valid()) ok = ::CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

}  // namespace kor::platform::win32
