// The platform's view of the file system as Windows path names.
//
// Names cross this interface in the code page (platform/code_page.h), as the
// "A" functions of the Windows API take them; POSIX names are the file
// system's own bytes (UTF-8 by convention). Every name ends at its first NUL.
// Results are 0 or a Win32 error code (kErrorPathNotFound, kErrorInvalidName).
//
//   auto& view = kor::platform::GetFileSystemView();
//   std::string posix;
//   if (view.FindPosix("C:\\Data\\Report.TXT", posix) == 0) ::open(posix.c_str(), O_RDONLY);
//   std::string windows;
//   view.ToWindows("/tmp/x", windows);            // "Z:\tmp\x"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace kor::platform {

inline constexpr std::uint32_t kErrorPathNotFound = 3;   // ERROR_PATH_NOT_FOUND
inline constexpr std::uint32_t kErrorInvalidName = 123;  // ERROR_INVALID_NAME

class FileSystemView {
 public:
  virtual ~FileSystemView() = default;

  // The code page of the Windows names this view takes and gives.
  virtual const CodePage& NameCodePage() const = 0;

  // As GetFullPathNameA: resolves `name` against the current drive and folder
  // and removes its "." and ".." components, without looking at the file
  // system. When the full name and its NUL fit in `bufferLength` characters,
  // they are placed in `buffer`, `*filePart` (when not null) points at the
  // final component in `buffer` (null when the name ends in "\"), and the
  // result is the name's length without the NUL. When they do not fit, the
  // result is the size needed, NUL included, and `buffer` is untouched. 0 on
  // failure, with the Win32 error code in `*lastError` (when not null).
  virtual std::uint32_t GetFullPathName(std::string_view name, std::uint32_t bufferLength, char* buffer,
                                        char** filePart, std::uint32_t* lastError = nullptr) const = 0;

  // The same full path name as a string ("C:\dir\file", "\\server\share\x").
  virtual std::uint32_t FullPathName(std::string_view name, std::string& full) const = 0;

  // The POSIX name of a Windows name (or of a plain POSIX name, which passes
  // unchanged), without looking at the file system.
  virtual std::uint32_t ToPosix(std::string_view name, std::string& posix) const = 0;

  // ToPosix, FindPosix and FindPattern hold a Windows name to the Windows
  // name rules (winrules/windows_names.h): a name Windows refuses is
  // kErrorInvalidName, and trailing dots and spaces are dropped. A plain
  // POSIX name is the file system's own and passes as given.
  //
  // As ToPosix; then, when a Windows name does not exist with its exact letter
  // case, looks it up folder by folder ignoring case, as Windows file systems
  // do. The part that cannot be found keeps its letters as given.
  virtual std::uint32_t FindPosix(std::string_view name, std::string& posix) const = 0;

  // As FindPosix for a search pattern: the last component may hold the
  // wildcards "*" and "?", and is kept as given.
  virtual std::uint32_t FindPattern(std::string_view pattern, std::string& posix) const = 0;

  // The full Windows name (in the code page) of a POSIX name; a relative name
  // is taken against the current folder, "." and ".." components are removed
  // by the text. A POSIX name holding a "\" has no Windows name
  // (kErrorInvalidName).
  virtual std::uint32_t ToWindows(std::string_view posix, std::string& name) const = 0;

  // The folders the platform reports, as Windows names in the code page:
  // the current folder as GetCurrentDirectoryA gives it ("Z:\home\ann",
  // "C:\"), the temporary folder as GetTempPathA gives it (always ending in
  // "\"), and the full name of the library's own module file.
  virtual std::uint32_t CurrentFolder(std::string& name) const = 0;
  virtual std::uint32_t TempFolder(std::string& name) const = 0;
  virtual std::uint32_t ModuleFileName(std::string& name) const = 0;
};

// The view of this process, made from the environment on first use
// (KORTOOLS_DRIVES; TMPDIR is read at each request, and the names are in the
// system code page as it is at each request).
const FileSystemView& GetFileSystemView();

// Reads the environment again (the code page included). Earlier references
// stay valid.
void ReloadFileSystemView();

}  // namespace kor::platform
