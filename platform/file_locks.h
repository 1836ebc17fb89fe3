// The runtime's binary-mode open with an access and a sharing request, as its
// "Open name For Binary Access ... Lock ..." statement makes it, a one-byte
// read and the close: what a program uses to ask whether another program has
// a file in use.
//
// Names are Windows or POSIX names in the code page (platform/code_page.h)
// and end at their first NUL. Failures raise the runtime's file errors as
// kor::Error: 52 (bad file name), 53 (file not found), 67 (too many files),
// 70 (permission denied: also the file being in use against the sharing
// asked for), 75 (path/file access error, e.g. a folder), 76 (path not found).
//
// POSIX systems have no sharing modes. An open here fails with error 70 when
// another open of the same file exists that the sharing asked for would deny
// on Windows: any other open for kDenyReadWrite, another open for writing for
// kDenyWrite. Other programs are taken to share everything, since they cannot
// say otherwise. The check uses a file lease where the kernel grants one (the
// file's owner, or a process with CAP_LEASE), which sees every open of the
// file in the system, and else the open files listed under /proc, which shows
// the processes that this one may inspect (all of them for root, its own
// user's otherwise).
//
//   auto f = kor::platform::GetBinaryFiles().Open("C:\\data\\book.xls", kor::platform::FileAccess::kReadWrite,
//                                                 kor::platform::FileShare::kDenyReadWrite);
//   f->ReadByte(1);
//   f->Close();
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace kor::platform {

enum class FileAccess {
  kRead,       // an existing file, for reading
  kReadWrite,  // for reading and writing; an empty file is created when none exists
};

enum class FileShare {
  kShared,         // no restriction on other openers
  kDenyWrite,      // no other open for writing ("Lock Write")
  kDenyReadWrite,  // no other open at all ("Lock Read Write")
};

class BinaryFile {
 public:
  virtual ~BinaryFile() = default;

  // The byte at 1-based `position`; none past the end of the file (no error).
  virtual std::optional<std::uint8_t> ReadByte(std::uint64_t position) = 0;

  // Closes the file, raising the error of the close. Destroying a file that
  // was not closed closes it, ignoring errors.
  virtual void Close() = 0;
};

class BinaryFiles {
 public:
  virtual ~BinaryFiles() = default;

  // Opens `name` in binary mode with `access` and the sharing `share`: the
  // open fails (error 70) when another open of the file conflicts with it.
  // On POSIX systems the check is made at the open; later openers are not
  // kept out.
  virtual std::unique_ptr<BinaryFile> Open(std::string_view name, FileAccess access, FileShare share) = 0;
};

// The binary-file layer of this platform.
BinaryFiles& GetBinaryFiles();

}  // namespace kor::platform
