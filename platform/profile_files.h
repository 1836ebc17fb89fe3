// Profile files: reading and writing one key of an INI file, as the platform's
// GetPrivateProfileStringA and WritePrivateProfileStringA do. Text is in the
// system code page (platform/code_page.h) and ends at its first NUL, as it
// does for an "A" function; file names are Windows or POSIX names
// (platform/paths.h).
#pragma once

#include <cstdint>
#include <string_view>

namespace kor::platform {

class ProfileFiles {
 public:
  virtual ~ProfileFiles() = default;

  // Places the key's value, or `defaultText` without its trailing spaces
  // when the file, the section or the key is missing, into `buffer`, cut to
  // size - 1 characters and followed by a NUL; returns the number of
  // characters placed without the NUL (0 for an empty value). `size` is at
  // least 1.
  virtual std::uint32_t GetPrivateProfileString(std::string_view section, std::string_view key,
                                                std::string_view defaultText, char* buffer, std::uint32_t size,
                                                std::string_view fileName) = 0;

  // Sets the key's value in the section, creating the key, the section and
  // the file as needed; true on success. On failure the file is unchanged.
  virtual bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                                         std::string_view fileName) = 0;
};

// The profile-file operations of this platform.
ProfileFiles& GetProfileFiles();

// While one of these lives, the reads this thread makes are one read of a
// group of keys: the platform may look at each file once for the whole
// group, so that every key of the group comes from the same state of the
// file (a change another process makes meanwhile shows from the next group or
// single read on). Groups may nest; the outermost one counts.
class ProfileReadGroup {
 public:
  ProfileReadGroup() {
    if (depth_++ == 0) ++current_;
  }
  ~ProfileReadGroup() { --depth_; }
  ProfileReadGroup(const ProfileReadGroup&) = delete;
  ProfileReadGroup& operator=(const ProfileReadGroup&) = delete;

  // The group this thread's reads belong to; 0 outside any group.
  static std::uint64_t Current() { return depth_ > 0 ? current_ : 0; }

 private:
  static inline thread_local int depth_ = 0;
  static inline thread_local std::uint64_t current_ = 0;
};

}  // namespace kor::platform
