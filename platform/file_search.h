// File searches and file times, as FindFirstFileA, FindClose,
// FileTimeToLocalFileTime and FileTimeToSystemTime give them, and the two
// plain file queries of the runtime's file layer: the directory-entry search
// by pattern and attributes (its "Dir" function) and a file's
// last-modification time.
//
// Names are Windows or POSIX names in the code page (platform/code_page.h)
// and end at their first NUL; the last component may hold the wildcards "*"
// and "?" (winrules/wildcard.h), matched without regard to case. Letters in
// the folders are looked up without regard to case, as Windows file systems
// do. Where several entries match, the first is the first by name ignoring
// case, the order in which Windows file systems keep their folders.
//
// On POSIX systems the attributes of an entry are:
//   kFileAttributeDirectory  a folder (a symbolic link counts as what it points at)
//   kFileAttributeHidden     the name begins with "." ("." and ".." themselves excepted)
//   kFileAttributeSystem     never
//   kFileAttributeReadOnly   the owner has no write permission (as Samba shows files)
//   kFileAttributeArchive    a regular file
//   kFileAttributeNormal     any other entry (device, pipe, socket) with none of the above
// and its times are the creation time where the file system keeps one (statx
// "btime"), else the time of the last status change, the last access and the
// last modification.
//
//   auto& search = kor::platform::GetFileSearch();
//   kor::platform::Win32FindData data;
//   std::uint32_t error = 0;
//   auto h = search.FindFirstFile("C:\\Data\\*.csv", data, error);
//   if (h != kor::platform::kInvalidHandleValue) search.FindClose(h);
//   else if (error == kor::platform::kErrorFileNotFound) { /* folder there, nothing matches */ }
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/paths.h"

namespace kor::platform {

// Win32 last-error codes of a failed search, besides kErrorPathNotFound (3)
// and kErrorInvalidName (123) of platform/paths.h.
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;

inline constexpr std::uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kFileAttributeHidden = 0x02;
inline constexpr std::uint32_t kFileAttributeSystem = 0x04;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeArchive = 0x20;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;

// 100-nanosecond intervals since 1601-01-01 00:00 UTC, low half first.
struct FileTime {
  std::uint32_t dwLowDateTime = 0;
  std::uint32_t dwHighDateTime = 0;

  std::uint64_t Value() const { return (std::uint64_t{dwHighDateTime} << 32) | dwLowDateTime; }
  static FileTime Of(std::uint64_t v) {
    return FileTime{static_cast<std::uint32_t>(v), static_cast<std::uint32_t>(v >> 32)};
  }
};

// Calendar fields; wDayOfWeek 0 is Sunday.
struct SystemTime {
  std::uint16_t wYear = 0;
  std::uint16_t wMonth = 0;
  std::uint16_t wDayOfWeek = 0;
  std::uint16_t wDay = 0;
  std::uint16_t wHour = 0;
  std::uint16_t wMinute = 0;
  std::uint16_t wSecond = 0;
  std::uint16_t wMilliseconds = 0;
};

// One directory entry, as a search finds it.
struct Win32FindData {
  std::uint32_t dwFileAttributes = 0;
  FileTime ftCreationTime;
  FileTime ftLastAccessTime;
  FileTime ftLastWriteTime;
  std::uint32_t nFileSizeHigh = 0;
  std::uint32_t nFileSizeLow = 0;
  std::string cFileName;  // the entry's name, in the code page
};

using FindHandle = std::intptr_t;
inline constexpr FindHandle kInvalidHandleValue = -1;

class FileSearch {
 public:
  virtual ~FileSearch() = default;

  // As FindFirstFileA: fills `data` for the first entry that matches `name`
  // and gives an open search handle, or kInvalidHandleValue with the Win32
  // error code in `lastError`: kErrorFileNotFound when the folder exists and
  // nothing in it matches (also for a name that ends in "\" or names a
  // drive's root, which are no entries), kErrorPathNotFound when a folder on
  // the way does not exist (or the name is empty), kErrorAccessDenied when a
  // folder may not be read, kErrorInvalidName for wildcards outside the last
  // component; other codes for other failures. In a folder that is not a
  // drive's root, "." and ".." are entries too, as on Windows.
  virtual FindHandle FindFirstFile(std::string_view name, Win32FindData& data, std::uint32_t& lastError) = 0;

  // As FindClose; false (and nothing done) for a handle that is not open.
  virtual bool FindClose(FindHandle handle) = 0;

  // The runtime's directory-entry search: the name (in the code page) of the
  // first entry that matches `pattern` and whose hidden, system and
  // directory attributes are all in `attributes` (0 counts plain files
  // only; read-only and archive files always count). A pattern that ends in
  // "\" stands for every entry of that folder. 0 with the name, or a Win32
  // error code with `found` empty; kErrorFileNotFound when nothing matches.
  // Nothing stays open afterwards.
  virtual std::uint32_t FindEntry(std::string_view pattern, std::uint32_t attributes, std::string& found) = 0;

  // The runtime's file-date query: the last-modification time of the file or
  // folder `name` (no wildcards; a trailing "\" and a drive's root are
  // fine). 0, or a Win32 error code as for FindFirstFile.
  virtual std::uint32_t LastWriteTime(std::string_view name, FileTime& time) = 0;
};

// The file search in use: the platform's own unless replaced.
FileSearch& GetFileSearch();

// Replaces the file search of this process (a test that records the searches
// asked for); null puts the platform's own back. Not to be called while a
// search runs.
void SetFileSearch(FileSearch* replacement);

// The platform's own file search.
FileSearch& PlatformFileSearch();

// As FileTimeToLocalFileTime: `utc` shifted by the time-zone offset, the
// daylight-saving offset included, that is in force at the moment of the call,
// whatever the date converted (as Windows does). False for a value of 2^63
// or more, or a result outside 0 to 2^63 - 1.
bool FileTimeToLocalFileTime(const FileTime& utc, FileTime& local);

// As FileTimeToSystemTime: the calendar fields of a file time (proleptic
// Gregorian calendar). False for a value of 2^63 or more.
bool FileTimeToSystemTime(const FileTime& time, SystemTime& fields);

}  // namespace kor::platform
