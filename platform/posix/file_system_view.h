// The POSIX file system seen as Windows path names.
//
// The whole file system is the drive Z: ("Z:\" is "/"). KORTOOLS_DRIVES maps
// further drive letters and network shares to folders, entries separated by
// ";", blanks around keys and folders ignored:
//
//   KORTOOLS_DRIVES='C=/srv/c;D:=/mnt/data;\\fileserver\public=/mnt/public'
//
// A drive letter or share without an entry is not found (ERROR_PATH_NOT_FOUND);
// "Z" cannot be remapped; folders must be absolute and hold no "\". Reported
// folders use the drive whose folder is the longest one holding them, Z:
// otherwise; shares are only ever mapped from Windows names to POSIX names.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/paths.h"

namespace kor::platform {

struct PosixViewSettings {
  std::string drives;                               // as KORTOOLS_DRIVES
  std::optional<std::string> tempFolder;            // as TMPDIR; none: TMPDIR read at each request
  const CodePage* codePage = nullptr;               // null: SystemCodePage() as it is at each request
  std::function<bool(std::string&)> currentFolder;  // null: the process's current folder
};

class PosixFileSystemView final : public FileSystemView {
 public:
  explicit PosixFileSystemView(PosixViewSettings settings);

  // KORTOOLS_DRIVES, and the system code page as it is at each request.
  static PosixViewSettings FromEnvironment();

  const CodePage& NameCodePage() const override { return cp_ ? *cp_ : SystemCodePage(); }
  std::uint32_t GetFullPathName(std::string_view name, std::uint32_t bufferLength, char* buffer, char** filePart,
                                std::uint32_t* lastError = nullptr) const override;
  std::uint32_t FullPathName(std::string_view name, std::string& full) const override;
  std::uint32_t ToPosix(std::string_view name, std::string& posix) const override;
  std::uint32_t FindPosix(std::string_view name, std::string& posix) const override;
  std::uint32_t FindPattern(std::string_view pattern, std::string& posix) const override;
  std::uint32_t ToWindows(std::string_view posix, std::string& name) const override;
  std::uint32_t CurrentFolder(std::string& name) const override;
  std::uint32_t TempFolder(std::string& name) const override;
  std::uint32_t ModuleFileName(std::string& name) const override;

 private:
  struct Mount {
    std::string folder;  // canonical, "" for "/"
    char letter;
  };
  struct Share {
    std::string server, share, folder;
  };
  struct Current {
    std::string posix;  // canonical, "" for "/"
    const Mount* mount;
  };
  struct Resolved {
    std::string text;         // UTF-8
    std::size_t rootLen = 0;  // the part ".." never removes
    bool plainPosix = false;  // a POSIX name given as such
    bool network = false;     // a name under "\\server\share"
  };
  // What a name is resolved for: the full Windows name (text only), or the
  // POSIX name of an entry, whose last component may be a search pattern.
  enum class Form { kWindows, kPosix, kPosixPattern };

  void ParseDrives(std::string_view text);
  const Mount& MountOf(std::string_view canonical) const;
  const std::string* DriveFolder(char letter) const;
  const std::string* ShareFolder(std::string_view server, std::string_view share) const;
  std::uint32_t GetCurrent(Current& cur) const;
  std::uint32_t Resolve(std::string_view name, Form form, Resolved& r) const;
  std::uint32_t ResolveShare(std::string_view name, bool posixForm, Resolved& r, std::string_view& rest) const;
  std::uint32_t ResolveDrive(std::string_view name, bool posixForm, Resolved& r, std::string_view& rest) const;
  void AppendRest(std::string_view rest, char sep, Resolved& r) const;
  std::uint32_t Find(std::string_view name, Form form, std::string& posix) const;
  std::uint32_t WindowsOfPosix(std::string_view posix, std::string& utf8) const;
  std::string NameFromUtf8(const std::string& utf8) const;

  const CodePage* cp_;
  std::optional<std::string> temp_;
  std::function<bool(std::string&)> cwd_;
  std::array<std::optional<std::string>, 26> drives_;
  std::vector<Mount> mounts_;  // longest folder first, then by letter
  std::vector<Share> shares_;
};

}  // namespace kor::platform
