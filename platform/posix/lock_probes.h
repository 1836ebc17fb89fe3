// The POSIX side of the lock probes, for tests and benchmarks that pick the
// way other opens of a file are found.
#pragma once

#include <memory>

#include "platform/file_locks.h"

namespace kor::platform {

enum class InUseCheck {
  kLeaseThenScan,  // a file lease, and the scan of /proc where no lease is granted (the default)
  kScan,           // the scan of /proc alone
};

// Whether the file that descriptor `fd` of this process has open is open
// elsewhere: through any other descriptor (of any process, this one
// included) when `writersOnly` is false, through one open for writing when it
// is true. A lease needs `fd` open for reading and writing (any open) or for
// reading only (writers only).
bool OpenElsewhere(int fd, bool writersOnly, InUseCheck how);

// A binary-file layer that finds other opens in the way given.
std::unique_ptr<BinaryFiles> MakePosixBinaryFiles(InUseCheck how);

}  // namespace kor::platform
