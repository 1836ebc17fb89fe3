// The platform's operations that create files and folders: the folder for
// temporary files and new temporary files, as GetTempPathA and
// GetTempFileNameA give them, and the runtime's creation of one folder
// ("MkDir").
//
// Names are Windows or POSIX names in the code page (platform/code_page.h),
// taken and given through GetFileSystemView(); letter case is ignored in
// the folders above a new name, as Windows file systems do. Every name ends
// at its first NUL, except in MkDir, which refuses a name holding one.
//
//   auto& files = kor::platform::GetFileCreation();
//   char folder[512];
//   std::uint32_t n = files.GetTempPath(sizeof folder, folder);    // "Z:\tmp\", n == 7
//   char name[kor::platform::FileCreation::kMaxPath];
//   if (files.GetTempFileName(folder, "abc", 0, name) != 0) Use(name);  // "Z:\tmp\abc1F3A.TMP", empty
//   files.MkDir("Z:\\tmp\\new");                                  // raises kor::Error 75 when it exists
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/paths.h"

namespace kor::platform {

class FileCreation {
 public:
  // The longest path name, its NUL included (MAX_PATH).
  static constexpr std::uint32_t kMaxPath = 260;

  // Win32 error codes GetTempFileName reports besides kErrorPathNotFound and
  // kErrorInvalidName (platform/paths.h).
  static constexpr std::uint32_t kAccessDenied = 5;      // ERROR_ACCESS_DENIED
  static constexpr std::uint32_t kFileExists = 80;       // ERROR_FILE_EXISTS: no unique name left
  static constexpr std::uint32_t kBufferOverflow = 111;  // ERROR_BUFFER_OVERFLOW: folder name too long
  static constexpr std::uint32_t kDirectory = 267;       // ERROR_DIRECTORY: the folder is a file

  virtual ~FileCreation() = default;

  // As GetTempPathA: the folder for temporary files, ending in "\". When it
  // and its NUL fit in `bufferLength` characters, they are placed in
  // `buffer` and the result is the name's length without the NUL; when they
  // do not fit, the result is the size needed, NUL included, and `buffer` is
  // untouched. 0 on failure. The folder is not required to exist.
  virtual std::uint32_t GetTempPath(std::uint32_t bufferLength, char* buffer) = 0;

  // As GetTempFileNameA. The name is the full path name of `pathName`, a
  // "\", the first three characters of `prefixString`, the lower 16 bits of
  // the number in upper-case hexadecimal without leading zeros, and ".TMP";
  // it is written, NUL-terminated, into `tempFileName`, which holds kMaxPath
  // characters.
  //
  // Only the lower 16 bits of `unique` count. With those 0 the number is
  // chosen: a random start between 1 and FFFF, counted up (FFFF wrapping to
  // 1) while a name is taken, and the first free name is created as an empty
  // file that only its owner may read and write (mode 0600, created
  // exclusively, so nobody can slip a file or link in under that name). The
  // result is the number used. With other lower bits the name is only
  // formed, nothing is created, and the result is those 16 bits.
  //
  // 0 on failure, with the Win32 error code in `*lastError` (when not null):
  // a folder name longer than kMaxPath - 14 characters (kBufferOverflow),
  // a folder that does not exist (kErrorPathNotFound), a file in its place
  // (kDirectory), a folder that may not be written to
  // (kAccessDenied), all 65,535 names taken (kFileExists), an empty
  // folder name or a prefix holding a character no file name may hold
  // (kErrorInvalidName).
  virtual std::uint32_t GetTempFileName(std::string_view pathName, std::string_view prefixString, std::uint32_t unique,
                                        char* tempFileName, std::uint32_t* lastError = nullptr) = 0;

  // The runtime's MkDir: creates the one folder `name`, whose parent must
  // exist. Raises the runtime's errors as kor::Error: 75 (path/file access
  // error) when the name exists already or the parent may not be written
  // to, 76 (path not found) when the parent does not exist or the name is
  // too long, 52 (bad file name) for an empty name or a final component
  // holding a character no Windows folder name may hold (< > : " | ? *, a
  // control character or NUL), 61 (disk full).
  virtual void MkDir(std::string_view name) = 0;
};

// The operations in use: the platform's own unless replaced.
FileCreation& GetFileCreation();

// Replaces the operations of this process (a test that records what is
// asked for); null puts the platform's own back. Not to be called while an
// operation runs.
void SetFileCreation(FileCreation* replacement);

// The platform's own operations.
FileCreation& PlatformFileCreation();

}  // namespace kor::platform
