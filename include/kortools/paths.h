// Windows path names and the POSIX file system, as the library sees them.
//
// The library shows the whole file system as the drive Z: ("Z:\" is "/");
// KORTOOLS_DRIVES maps further drive letters and network shares to folders
// ("C=/srv/c;\\server\share=/mnt/share").
//
//   kor::ToPosixPath("Z:\\tmp\\Report.txt");   // "/tmp/report.txt" when only that one exists
//   kor::ToPosixPath("C:\\data\\x.csv");       // "/srv/c/data/x.csv" with C mapped to /srv/c
//   kor::ToWindowsPath("/srv/c/data");         // "C:\data"
//   kor::ToWindowsPath("/etc/hosts");          // "Z:\etc\hosts"
#pragma once

#include <string>
#include <string_view>

#include "kortools/export.h"
#include "kortools/types.h"

namespace kor {

// The POSIX name the library uses for a Windows name: resolved against the
// current drive and folder, "." and ".." removed, the drive or share replaced
// by its folder, and, where a name does not exist with its exact letter case,
// the existing name that differs only in case. A plain POSIX name ("/tmp/x")
// passes unchanged. Text is taken up to its first NUL and passes through the
// system code page as the library's own names do. Raises error 76 "Path not
// found" for a drive or share that is not mapped, error 52 "Bad file name or
// number" for an empty name.
KORTOOLS_API std::string ToPosixPath(std::string_view windowsNameUtf8);
KORTOOLS_API String ToPosixPath(const String& windowsName);

// The full Windows name of a POSIX name (a relative one is taken against the
// current folder): the drive whose folder is the longest one holding the name,
// Z: otherwise. Raises error 52 for an empty name and for a name holding a
// "\", which no Windows name can carry.
KORTOOLS_API std::string ToWindowsPath(std::string_view posixNameUtf8);
KORTOOLS_API String ToWindowsPath(const String& posixName);

}  // namespace kor
