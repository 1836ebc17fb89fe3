// The event log on POSIX systems. KORTOOLS_EVENTLOG chooses the destination:
//   unset or "syslog"  the system log (user facility, tag "korTools"), sent
//                      without waiting; standard error when there is no
//                      system log socket
//   "stderr"           standard error
//   "none"             nowhere
//   any other text     the path of a file that each message is appended to
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "frame/text.h"
#include "platform/event_log.h"

namespace kor::platform {
namespace {

// One line per message: line breaks inside the text become blanks so that a
// log reader sees one record per request.
std::string OneLine(const String& text) {
  std::string s = text::ToUtf8(text);
  for (char& c : s)
    if (c == '\n' || c == '\r') c = ' ';
  return s;
}

void WriteAll(int fd, const std::string& s) {
  const char* p = s.data();
  std::size_t left = s.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n <= 0) return;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

class StreamLog final : public EventLog {
 public:
  explicit StreamLog(int fd) : fd_(fd) {}
  void Report(const String& text) override { WriteAll(fd_, "korTools: " + OneLine(text) + "\n"); }

 private:
  int fd_;
};

class FileLog final : public EventLog {
 public:
  explicit FileLog(std::string path) : path_(std::move(path)) {}
  void Report(const String& text) override {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) return;
    std::time_t now = std::time(nullptr);
    char stamp[32];
    std::tm tm{};
    ::localtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &tm);
    WriteAll(fd, std::string(stamp) + " korTools[" + std::to_string(::getpid()) + "]: " + OneLine(text) + "\n");
    ::close(fd);
  }

 private:
  std::string path_;
};

class NullLog final : public EventLog {
 public:
  void Report(const String&) override {}
};

// Sends to the system log socket itself, non-blocking, so that a full or
// stalled log daemon drops the message instead of stopping the caller.
class SysLog final : public EventLog {
 public:
  SysLog() {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, "/dev/log", sizeof addr.sun_path - 1);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~SysLog() override {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  void Report(const String& text) override {
    // <12> = facility user (1) * 8 + severity warning (4).
    const std::string msg = "<12>korTools[" + std::to_string(::getpid()) + "]: " + OneLine(text);
    (void)::send(fd_, msg.data(), msg.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  }

 private:
  int fd_ = -1;
};

EventLog* Choose() {
  const char* setting = std::getenv("KORTOOLS_EVENTLOG");
  const std::string s = setting ? setting : "";
  if (s == "stderr") return new StreamLog(STDERR_FILENO);
  if (s == "none") return new NullLog();
  if (!s.empty() && s != "syslog") return new FileLog(s);
  auto* sys = new SysLog();
  if (sys->ok()) return sys;
  delete sys;
  return new StreamLog(STDERR_FILENO);
}

}  // namespace

EventLog& GetEventLog() {
  static EventLog* log = Choose();  // lives for the whole process
  return *log;
}

}  // namespace kor::platform
