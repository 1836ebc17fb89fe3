// The platform's version number, as GetVersion gives it: the major version in
// the low byte, the minor version in the next byte, the build number in the
// upper 16 bits (bit 31 clear).
//
// On POSIX systems the library reports the version that current Windows
// reports to a program without a compatibility manifest, 6.2 build 9200, so
// that code asking for "version 4 or later" takes its modern path. The
// setting KORTOOLS_WINVER="major.minor" (read at each call) reports another
// version, for a ported program that must keep its old way of working:
//
//   KORTOOLS_WINVER=3.51 myprogram     # the shell file operations take the plain path
#pragma once

#include <cstdint>

namespace kor::platform {

std::uint32_t GetVersion();

// The major version number: the low byte of GetVersion().
inline std::uint32_t MajorVersion(std::uint32_t version) { return version & 0xFFu; }

}  // namespace kor::platform
