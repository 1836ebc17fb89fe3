// The version number on POSIX systems: 6.2 build 9200, or the one that
// KORTOOLS_WINVER names.
#include <charconv>
#include <cstdlib>
#include <string_view>

#include "platform/os_version.h"

namespace kor::platform {
namespace {

constexpr std::uint32_t kBuild = 9200;

std::uint32_t Compose(std::uint32_t major, std::uint32_t minor) {
  return (major & 0xFFu) | ((minor & 0xFFu) << 8) | (kBuild << 16);
}

// "major" or "major.minor", each 0 to 255; false for anything else.
bool ParseVersion(std::string_view text, std::uint32_t& major, std::uint32_t& minor) {
  const char* const end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, major);
  if (ec != std::errc() || major > 255) return false;
  minor = 0;
  if (p == end) return true;
  if (*p != '.') return false;
  auto [q, ec2] = std::from_chars(p + 1, end, minor);
  return ec2 == std::errc() && q == end && minor <= 255;
}

}  // namespace

std::uint32_t GetVersion() {
  std::uint32_t major = 6;
  std::uint32_t minor = 2;
  if (const char* setting = std::getenv("KORTOOLS_WINVER")) {
    std::uint32_t m = 0;
    std::uint32_t n = 0;
    // A setting that is not a version number is ignored.
    if (ParseVersion(setting, m, n)) {
      major = m;
      minor = n;
    }
  }
  return Compose(major, minor);
}

}  // namespace kor::platform
