// The runtime's plain file operations, as its "FileCopy", "Name" and "Kill"
// statements perform them.
//
// Names are Windows or POSIX names in the code page (platform/code_page.h)
// and end at their first NUL; a Windows name that does not exist with its
// exact letters is looked up ignoring case (platform/paths.h). Failures raise
// the runtime's file errors as kor::Error: 52 (bad file name), 53 (file not
// found), 58 (file already exists), 61 (disk full), 70 (permission denied),
// 74 (can't rename with different drive), 75 (path/file access error), 76
// (path not found).
//
//   auto& files = kor::platform::GetFileOperations();
//   files.FileCopy("Z:\\tmp\\a.txt", "Z:\\tmp\\b.txt");   // b.txt replaced when it exists
//   files.Name("Z:\\tmp\\b.txt", "Z:\\tmp\\old\\b.txt");  // error 58 when the new name exists
//   files.Kill("Z:\\tmp\\*.bak");                         // error 53 when nothing matches
#pragma once

#include <string_view>

namespace kor::platform {

class FileOperations {
 public:
  virtual ~FileOperations() = default;

  // Copies the file `source` to the file `destination`, replacing an existing
  // destination file. The copy keeps the source's read, write and execute
  // permissions (not set-user-ID or set-group-ID) and its access and
  // modification times, and appears under the destination name only when it
  // is whole: the data is written to a new file beside the destination, which
  // is then renamed over it. A source that is not a plain file, and a
  // destination that exists but is not a plain file (a folder, device or
  // pipe) or is read-only, is error 75; a copy of a file onto itself is error
  // 70; wildcards are error 52. A symbolic link as the source is followed.
  virtual void FileCopy(std::string_view source, std::string_view destination) = 0;

  // Renames or moves the file or folder `oldName` to `newName`, which must
  // not exist (error 58; a new name that differs from the old one only in
  // letter case renames the entry to those letters). A file moves to
  // another file system by a copy, then the removal of the old name; a
  // folder cannot (error 74). A symbolic link is renamed itself.
  virtual void Name(std::string_view oldName, std::string_view newName) = 0;

  // Deletes every file matching `pathName`, whose last component may hold
  // the wildcards "*" and "?": error 53 when no file matches. Folders never
  // match, nor (for a wildcard) hidden entries (names beginning with ".") and
  // devices. A read-only file, and a device named as such, is error 75. Files are deleted in name order; the first
  // that cannot be deleted ends the operation with its error, those before it
  // stay deleted. A symbolic link is deleted itself, never its target.
  virtual void Kill(std::string_view pathName) = 0;
};

// The plain file operations of this platform.
FileOperations& GetFileOperations();

}  // namespace kor::platform
