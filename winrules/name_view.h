// Windows path names of a POSIX file system, as text: the drive mapping, the
// full path name and the POSIX name of a Windows name, the Windows name of a
// POSIX name. Nothing here looks at the file system; the current folder comes
// from the caller (platform/posix/file_system_view.h adds the lookups that
// ignore letter case, the temporary folder and the module's file).
//
// The whole file system is the drive Z: ("Z:\" is "/"). The drive setting
// (KORTOOLS_DRIVES) maps further drive letters and network shares to folders,
// entries separated by ";", blanks around keys and folders ignored:
//
//   C=/srv/c;D:=/mnt/data;\\fileserver\public=/mnt/public
//
// A drive letter or share without an entry is not found (kErrorPathNotFound);
// "Z" cannot be remapped; folders must be absolute and hold no "\". Reported
// folders use the drive whose folder is the longest one holding them, Z:
// otherwise; shares are only ever mapped from Windows names to POSIX names.
//
//   NameView names("C=/srv/c", &cp, [](std::string& f) { f = "/srv/c/work"; return true; });
//   std::string posix;
//   names.ToPosix("C:..\\Report.txt", posix);   // "/srv/c/Report.txt"
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/paths.h"

namespace kor::platform {

class NameView {
 public:
  // `drives` as the drive setting above; `codePage` the code page of the
  // Windows names (null: SystemCodePage() as it is at each request);
  // `currentFolder` gives the current POSIX folder, false when there is none.
  NameView(std::string_view drives, const CodePage* codePage, std::function<bool(std::string&)> currentFolder);

  const CodePage& NameCodePage() const { return cp_ ? *cp_ : SystemCodePage(); }

  // What a name is resolved for: the full Windows name (text only), or the
  // POSIX name of an entry, whose last component may be a search pattern.
  enum class Form { kWindows, kPosix, kPosixPattern };
  struct Resolved {
    std::string text;         // UTF-8
    std::size_t rootLen = 0;  // the part ".." never removes
    bool plainPosix = false;  // a POSIX name given as such
    bool network = false;     // a name under "\\server\share"
  };

  // `name` (in the code page) resolved against the current drive and folder,
  // "." and ".." removed, trailing dots and spaces dropped as Windows drops
  // them. A name that is to reach the file system is held to the Windows name
  // rules (winrules/windows_names.h). 0 or a Win32 error code.
  std::uint32_t Resolve(std::string_view name, Form form, Resolved& r) const;

  // As FileSystemView (platform/paths.h) says of the members of these names.
  std::uint32_t FullPathName(std::string_view name, std::string& full) const;
  std::uint32_t GetFullPathName(std::string_view name, std::uint32_t bufferLength, char* buffer, char** filePart,
                                std::uint32_t* lastError) const;
  std::uint32_t ToPosix(std::string_view name, std::string& posix) const;
  std::uint32_t ToWindows(std::string_view posix, std::string& name) const;
  std::uint32_t CurrentFolder(std::string& name) const;

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

  void ParseDrives(std::string_view text);
  const Mount& MountOf(std::string_view canonical) const;
  const std::string* DriveFolder(char letter) const;
  const std::string* ShareFolder(std::string_view server, std::string_view share) const;
  std::uint32_t GetCurrent(Current& cur) const;
  std::uint32_t ResolveShare(std::string_view name, bool posixForm, Resolved& r, std::string_view& rest) const;
  std::uint32_t ResolveDrive(std::string_view name, bool posixForm, Resolved& r, std::string_view& rest) const;
  void AppendRest(std::string_view rest, char sep, Resolved& r) const;
  std::uint32_t WindowsOfPosix(std::string_view posix, std::string& utf8) const;
  std::string NameFromUtf8(const std::string& utf8) const;

  const CodePage* cp_;
  std::function<bool(std::string&)> cwd_;
  std::array<std::optional<std::string>, 26> drives_;
  std::vector<Mount> mounts_;  // longest folder first, then by letter
  std::vector<Share> shares_;
};

}  // namespace kor::platform
