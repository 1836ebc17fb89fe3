// The shell's file operation, as SHFileOperationA performs it: copy, move,
// rename or delete one or more files and folder trees in one call.
//
// Names are Windows or POSIX names in the code page (platform/code_page.h).
// `pFrom` and `pTo` hold their names as the shell takes them: each name ends
// with a NUL and the list ends with a second NUL (an empty name); anything
// after that is not looked at. Wildcards ("*", "?") in the last component of
// a source name select the matching entries, ignoring letter case.
//
//   kor::platform::ShFileOpStruct op;
//   op.wFunc = kor::platform::kFoCopy;
//   op.pFrom = std::string("Z:\\tmp\\a.txt\0Z:\\tmp\\b.txt\0\0", 27);
//   op.pTo = std::string("Z:\\tmp\\backup\0\0", 15);
//   op.fFlags = kor::platform::kFofNoConfirmation | kor::platform::kFofNoConfirmMkDir;
//   bool ok = kor::platform::GetShellFileOperations().SHFileOperation(op) == 0;
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kor::platform {

// Operation codes (wFunc).
inline constexpr std::uint32_t kFoMove = 1;
inline constexpr std::uint32_t kFoCopy = 2;
inline constexpr std::uint32_t kFoDelete = 3;
inline constexpr std::uint32_t kFoRename = 4;

// Operation flags (fFlags).
inline constexpr std::uint32_t kFofMultiDestFiles = 0x0001;
inline constexpr std::uint32_t kFofSilent = 0x0004;
inline constexpr std::uint32_t kFofRenameOnCollision = 0x0008;
inline constexpr std::uint32_t kFofNoConfirmation = 0x0010;
inline constexpr std::uint32_t kFofAllowUndo = 0x0040;
inline constexpr std::uint32_t kFofFilesOnly = 0x0080;
inline constexpr std::uint32_t kFofSimpleProgress = 0x0100;
inline constexpr std::uint32_t kFofNoConfirmMkDir = 0x0200;

// The operation record. Fields the caller leaves alone keep these values.
struct ShFileOpStruct {
  std::int32_t hwnd = 0;  // owner of any dialog the shell shows
  std::uint32_t wFunc = 0;
  std::string pFrom;               // the source names, NUL-separated, ending in two NULs
  std::optional<std::string> pTo;  // the destination names the same way; none for a delete
  std::uint32_t fFlags = 0;
  bool fAnyOperationsAborted = false;  // set by the operation when a part of it was left out
  std::optional<std::string> lpszProgressTitle;
};

class ShellFileOperations {
 public:
  virtual ~ShellFileOperations() = default;

  // Performs the operation; 0 when it succeeded, another value when it
  // failed (the value says why; callers only compare it with 0).
  virtual int SHFileOperation(ShFileOpStruct& op) = 0;
};

// The shell file operation in use: the platform's own unless replaced.
ShellFileOperations& GetShellFileOperations();

// Replaces the shell file operation of this process (a host with a user
// interface of its own, or a test that records the operations asked for);
// null puts the platform's own back. Not to be called while an operation runs.
void SetShellFileOperations(ShellFileOperations* replacement);

// The platform's own shell file operation.
ShellFileOperations& PlatformShellFileOperations();

}  // namespace kor::platform
