// Errors of failed file-system calls: the runtime's file error, and the Win32
// last-error code that the platform operations report, for an errno value.
//
//   if (::open(name, O_RDONLY) < 0) throw kor::Error::Runtime(kor::platform::FileErrorNumber(errno));
//   if (::statx(...) != 0) return kor::platform::Win32ErrorCode(errno);   // 2, 3, 5, ...
#pragma once

#include <cerrno>
#include <cstdint>

namespace kor::platform {

// 76 path not found, 70 permission denied, 58 file already exists, 74 can't
// rename with different drive, 61 disk full, 67 too many files, 7 out of
// memory, 57 device I/O error; 75 path/file access error for anything else.
inline std::int32_t FileErrorNumber(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR: return 76;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY: return 70;
    case EEXIST:
    case ENOTEMPTY: return 58;
    case EXDEV: return 74;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return 61;
    case EMFILE:
    case ENFILE: return 67;
    case ENOMEM: return 7;
    case EIO: return 57;
    default: return 75;
  }
}

// 2 file not found, 3 path not found, 5 access denied, 112 disk full, 4 too
// many open files, 8 not enough memory, 206 name too long, 1921 a name that
// cannot be resolved (a loop of links); 31 (general failure) for anything else.
inline std::uint32_t Win32ErrorCode(int err) {
  switch (err) {
    case ENOENT: return 2;
    case ENOTDIR: return 3;
    case EACCES:
    case EPERM:
    case EROFS: return 5;
    case ENOSPC:
    case EDQUOT: return 112;
    case EMFILE:
    case ENFILE: return 4;
    case ENOMEM: return 8;
    case ENAMETOOLONG: return 206;
    case ELOOP: return 1921;
    default: return 31;
  }
}

}  // namespace kor::platform
