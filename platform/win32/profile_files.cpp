// Profile files on Windows: GetPrivateProfileStringA and
// WritePrivateProfileStringA themselves.
#include "platform/win32/windows_api.h"

#include "platform/profile_files.h"
#include "platform/win32/win32_errors.h"

namespace kor::platform {
namespace {

using win32::CName;

class Win32ProfileFiles final : public ProfileFiles {
 public:
  std::uint32_t GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultText,
                                        char* buffer, std::uint32_t size, std::string_view fileName) override {
    return ::GetPrivateProfileStringA(CName(section).c_str(), CName(key).c_str(), CName(defaultText).c_str(), buffer,
                                      size, CName(fileName).c_str());
  }

  bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                                 std::string_view fileName) override {
    return ::WritePrivateProfileStringA(CName(section).c_str(), CName(key).c_str(), CName(value).c_str(),
                                        CName(fileName).c_str()) != 0;
  }
};

}  // namespace

ProfileFiles& GetProfileFiles() {
  static Win32ProfileFiles files;
  return files;
}

}  // namespace kor::platform
