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

}  // namespace kor::platform
