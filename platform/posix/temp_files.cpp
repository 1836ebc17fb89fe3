// Temporary files and folder creation on POSIX systems.
//
// The folder for temporary files is $TMPDIR, or /tmp when that is not set,
// in its Windows form. A temporary file is created with O_CREAT | O_EXCL
// relative to a descriptor of its folder, so the name cannot be taken over by
// a file or a symbolic link that another user puts there, and it gets mode
// 0600 whatever the umask says.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "kortools/error.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/file_errors.h"
#include "platform/temp_files.h"
#include "winrules/windows_names.h"

namespace kor::platform {
namespace {

constexpr std::uint32_t kLongestFolder = FileCreation::kMaxPath - 14;  // as GetTempFileNameA allows
constexpr std::uint32_t kHighestNumber = 0xFFFF;
constexpr std::size_t kPrefixCharacters = 3;

// The runtime's error numbers for MkDir.
constexpr std::int32_t kBadFileName = 52;
constexpr std::int32_t kDiskFull = 61;
constexpr std::int32_t kPathFileAccess = 75;
constexpr std::int32_t kPathNotFound = 76;

bool HoldsForbidden(std::string_view name) {
  for (char c : name)
    if (windows_names::IsRefusedCharacter(c, false)) return true;
  return false;
}

// The first `count` characters of `text` in `cp`: code points in UTF-8, bytes
// in a single-byte code page.
std::string_view FirstCharacters(std::string_view text, std::size_t count, const CodePage& cp) {
  if (!cp.IsUtf8()) return text.substr(0, count);
  std::size_t i = 0;
  for (std::size_t n = 0; i < text.size() && n < count; ++n) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return text.substr(0, i);
}

void AppendHex(std::string& out, std::uint32_t n) {
  char digits[8];
  int len = 0;
  do {
    digits[len++] = "0123456789ABCDEF"[n & 0xF];
    n >>= 4;
  } while (n != 0);
  while (len > 0) out += digits[--len];
}

// Where the search for a free name starts: 1 to FFFF, different at each call.
std::uint32_t FirstNumber() {
  std::uint32_t r = 0;
  if (::getrandom(&r, sizeof r, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof r))
    r = static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<std::uint32_t>(::getpid());
  return r % kHighestNumber + 1;
}

// The code GetTempFileName reports when creating the file failed: a missing
// entry on the way is the folder's.
std::uint32_t CreateError(int err) { return err == ENOENT ? kErrorPathNotFound : Win32ErrorCode(err); }

// The runtime's error for a failed mkdir().
std::int32_t MkDirError(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG: return kPathNotFound;
    case ENOSPC:
    case EDQUOT:
    case EMLINK: return kDiskFull;
    default: return kPathFileAccess;  // EEXIST, EACCES, EPERM, EROFS and the rest
  }
}

class PosixFileCreation final : public FileCreation {
 public:
  std::uint32_t GetTempPath(std::uint32_t bufferLength, char* buffer) override {
    std::string name;
    if (GetFileSystemView().TempFolder(name) != 0 || name.size() >= UINT32_MAX) return 0;
    const auto needed = static_cast<std::uint32_t>(name.size() + 1);
    if (needed > bufferLength || buffer == nullptr) return needed;
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    return needed - 1;
  }

  std::uint32_t GetTempFileName(std::string_view pathName, std::string_view prefixString, std::uint32_t unique,
                                char* tempFileName, std::uint32_t* lastError) override {
    const auto fail = [lastError](std::uint32_t code) {
      if (lastError != nullptr) *lastError = code;
      return 0u;
    };
    const FileSystemView& view = GetFileSystemView();
    const CodePage& cp = view.NameCodePage();
    pathName = UpToNul(pathName);
    const std::string_view prefix = FirstCharacters(UpToNul(prefixString), kPrefixCharacters, cp);
    if (pathName.empty() || HoldsForbidden(prefix) || prefix.find_first_of("\\/") != std::string_view::npos)
      return fail(kErrorInvalidName);

    std::string folder;
    if (const std::uint32_t e = view.FullPathName(pathName, folder)) return fail(e);
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (folder.size() > kLongestFolder) return fail(kBufferOverflow);
    folder += '\\';

    std::string name = folder;
    name += prefix;
    const std::size_t numberAt = name.size();
    const auto formName = [&name, numberAt](std::uint32_t n) {
      name.resize(numberAt);
      AppendHex(name, n);
      name += ".TMP";
    };
    const auto deliver = [&name, tempFileName](std::uint32_t result) {
      std::memcpy(tempFileName, name.data(), name.size());
      tempFileName[name.size()] = '\0';
      return result;
    };
    formName(kHighestNumber);  // the longest the name can be
    if (name.size() + 1 > kMaxPath) return fail(kBufferOverflow);
    // Only the lower 16 bits count: 0x10000 chooses a number as 0 does.
    unique &= kHighestNumber;
    if (unique != 0) {
      formName(unique);
      return deliver(unique);
    }

    std::string posixFolder;
    if (const std::uint32_t e = view.FindPosix(folder, posixFolder)) return fail(e);
    const FileDescriptor dir(::open(posixFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) {
      const int err = errno;
      struct stat st {};
      if (err == ENOTDIR && ::stat(posixFolder.substr(0, posixFolder.size() - 1).c_str(), &st) == 0 &&
          !S_ISDIR(st.st_mode))
        return fail(kDirectory);
      return fail(CreateError(err));
    }

    std::uint32_t n = FirstNumber();
    for (std::uint32_t tries = 0; tries < kHighestNumber;) {
      formName(n);
      const std::string file = cp.ToUtf8(std::string_view(name).substr(folder.size()));
      const int fd = ::openat(dir.get(), file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd >= 0) {
        const int chmodResult = ::fchmod(fd, 0600);  // the umask may have taken the owner's rights away
        ::close(fd);
        if (chmodResult != 0) {
          ::unlinkat(dir.get(), file.c_str(), 0);
          return fail(kAccessDenied);
        }
        return deliver(n);
      }
      if (errno == EINTR) continue;
      if (errno != EEXIST) return fail(CreateError(errno));
      n = n == kHighestNumber ? 1 : n + 1;
      ++tries;
    }
    return fail(kFileExists);
  }

  void MkDir(std::string_view name) override {
    if (name.empty() || name.find('\0') != std::string_view::npos) throw Error::Runtime(kBadFileName);
    std::string posix;
    if (const std::uint32_t e = GetFileSystemView().FindPosix(name, posix))
      throw Error::Runtime(e == kErrorPathNotFound ? kPathNotFound : kBadFileName);
    if (::mkdir(posix.c_str(), 0777) != 0) throw Error::Runtime(MkDirError(errno));
  }
};

}  // namespace

FileCreation& PlatformFileCreation() {
  static PosixFileCreation* const instance = new PosixFileCreation();  // lives for the whole process
  return *instance;
}

}  // namespace kor::platform
