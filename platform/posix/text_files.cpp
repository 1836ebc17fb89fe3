// Text files on POSIX systems: large reads into one buffer that the lines are
// cut from in place, and writes gathered in a buffer. Reads go through read()
// rather than a memory map so that a file that shrinks or grows while it is
// read only ends sooner or later, instead of faulting.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "kortools/error.h"
#include "platform/paths.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/file_errors.h"
#include "platform/text_files.h"

namespace kor::platform {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;  // bytes asked of each read() and write()
constexpr std::size_t kLongestLine = 0x7FFFFFFF;      // the longest string, in characters
constexpr std::int32_t kOutOfStringSpace = 14;

[[noreturn]] void Raise(std::int32_t number) { throw Error::Runtime(number); }

// The runtime's error for a failed open(), read() or write().
std::int32_t FileError(int err) { return FileErrorNumber(err); }

bool IsFolder(const std::string& posix) {
  struct stat st {};
  return ::stat(posix.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder part of a POSIX name ("." for a bare name).
std::string FolderOf(const std::string& posix) {
  const auto slash = posix.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : posix.substr(0, slash);
}

std::string PosixName(std::string_view name) {
  std::string posix;
  if (const std::uint32_t e = GetFileSystemView().FindPosix(UpToNul(name), posix))
    Raise(e == kErrorPathNotFound ? 76 : 52);
  if (posix.empty()) Raise(52);
  return posix;
}

class PosixTextInput final : public TextInput {
 public:
  explicit PosixTextInput(int fd) : fd_(fd), buffer_(std::make_unique_for_overwrite<char[]>(kChunk)), size_(kChunk) {}

  bool AtEnd() override {
    if (begin_ == end_ && !Fill()) return true;
    if (skipLineFeed_) {
      // The carriage return that ended the last line was the buffer's last
      // byte: a line feed right after it belongs to that line end.
      skipLineFeed_ = false;
      if (buffer_[begin_] == '\n') ++begin_;
      if (begin_ == end_ && !Fill()) return true;
    }
    return false;
  }

  std::string_view ReadLine() override {
    std::size_t scanned = 0;  // bytes after begin_ known to hold no carriage return
    for (;;) {
      const void* cr = std::memchr(buffer_.get() + begin_ + scanned, '\r', end_ - begin_ - scanned);
      if (cr != nullptr) {
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(cr) - buffer_.get());
        return Take(at, at + 1);
      }
      scanned = end_ - begin_;
      if (!Fill()) return Take(end_, end_);  // the last line, without a line end
    }
  }

 private:
  // The line [begin_, lineEnd), consuming its line end up to `next`.
  std::string_view Take(std::size_t lineEnd, std::size_t next) {
    if (lineEnd - begin_ > kLongestLine) throw Error(kOutOfStringSpace, u"Out of string space");
    const std::string_view line(buffer_.get() + begin_, lineEnd - begin_);
    begin_ = next;
    if (next > lineEnd) {  // a carriage return: a line feed after it is part of the line end
      if (begin_ < end_) {
        if (buffer_[begin_] == '\n') ++begin_;
      } else {
        skipLineFeed_ = true;
      }
    }
    return line;
  }

  // Reads more after the unread bytes, moving them to the front or growing
  // the buffer as needed; false at the end of the file. Views handed out
  // before become invalid.
  bool Fill() {
    if (eof_) return false;
    if (begin_ > 0) {
      std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
    }
    if (size_ - end_ < kChunk / 2) {
      if (end_ > kLongestLine) throw Error(kOutOfStringSpace, u"Out of string space");
      const std::size_t bigger = size_ * 2;
      auto grown = std::make_unique_for_overwrite<char[]>(bigger);
      std::memcpy(grown.get(), buffer_.get(), end_);
      buffer_ = std::move(grown);
      size_ = bigger;
    }
    for (;;) {
      const ssize_t n = ::read(fd_.get(), buffer_.get() + end_, size_ - end_);
      if (n > 0) {
        end_ += static_cast<std::size_t>(n);
        return true;
      }
      if (n == 0) {
        eof_ = true;
        return false;
      }
      if (errno != EINTR) Raise(errno == EISDIR ? 75 : FileError(errno));
    }
  }

  FileDescriptor fd_;
  std::unique_ptr<char[]> buffer_;
  std::size_t size_;
  std::size_t begin_ = 0, end_ = 0;  // the unread bytes
  bool eof_ = false;
  bool skipLineFeed_ = false;
};

void WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      Raise(FileError(errno));
    }
    if (w == 0) Raise(61);
    p += w;
    n -= static_cast<std::size_t>(w);
  }
}

class PosixTextOutput final : public TextOutput {
 public:
  explicit PosixTextOutput(int fd) : fd_(fd) { buffer_.reserve(kChunk); }

  ~PosixTextOutput() override {
    if (fd_.get() < 0) return;
    try {
      Flush();
    } catch (const Error&) {
      // Closing after an earlier error: that error is the one reported.
    }
  }

  void Write(std::string_view bytes) override {
    if (buffer_.size() + bytes.size() > kChunk) {
      Flush();
      if (bytes.size() >= kChunk) {
        WriteAll(fd_.get(), bytes.data(), bytes.size());
        return;
      }
    }
    buffer_.append(bytes);
  }

  void Close() override {
    if (fd_.get() < 0) return;
    try {
      Flush();
    } catch (const Error&) {
      ::close(fd_.release());
      throw;
    }
    if (::close(fd_.release()) != 0 && errno != EINTR) Raise(FileError(errno));
  }

 private:
  void Flush() {
    // The buffer is emptied even when the write fails, so that nothing is
    // written twice.
    struct Emptied {
      std::string& buffer;
      ~Emptied() { buffer.clear(); }
    } emptied{buffer_};
    WriteAll(fd_.get(), buffer_.data(), buffer_.size());
  }

  FileDescriptor fd_;
  std::string buffer_;
};

class PosixTextFiles final : public TextFiles {
 public:
  std::unique_ptr<TextInput> OpenForInput(std::string_view name) override {
    const std::string posix = PosixName(name);
    // Without O_NONBLOCK a pipe with no writer would stop the caller here.
    FileDescriptor fd(::open(posix.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
      const int err = errno;
      if (err == ENOENT) Raise(IsFolder(FolderOf(posix)) ? 53 : 76);
      Raise(FileError(err));
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) Raise(FileError(errno));
    if (!S_ISREG(st.st_mode)) Raise(75);
    ::fcntl(fd.get(), F_SETFL, 0);
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixTextInput>(fd.release());
  }

  std::unique_ptr<TextOutput> OpenForOutput(std::string_view name) override {
    const std::string posix = PosixName(name);
    FileDescriptor fd(::open(posix.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666));
    if (fd.get() < 0) Raise(errno == EISDIR || errno == ENXIO ? 75 : FileError(errno));
    ::fcntl(fd.get(), F_SETFL, 0);
    return std::make_unique<PosixTextOutput>(fd.release());
  }
};

}  // namespace

TextFiles& GetTextFiles() {
  static PosixTextFiles files;
  return files;
}

}  // namespace kor::platform
