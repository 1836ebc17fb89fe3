// The runtime's file error for an errno value of a failed file-system call.
//
//   if (::open(name, O_RDONLY) < 0) throw kor::Error::Runtime(kor::platform::FileErrorNumber(errno));
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

}  // namespace kor::platform
