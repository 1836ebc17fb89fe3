#include "platform/text_lines.h"

#include <cstring>
#include <utility>

#include "kortools/error.h"

namespace kor::platform {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;  // bytes asked of each read and given to each write
constexpr std::size_t kLongestLine = 0x7FFFFFFF;      // the longest string, in characters
constexpr std::int32_t kOutOfStringSpace = 14;

}  // namespace

BufferedTextInput::BufferedTextInput() : buffer_(std::make_unique_for_overwrite<char[]>(kChunk)), size_(kChunk) {}

bool BufferedTextInput::AtEnd() {
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

std::string_view BufferedTextInput::ReadLine() {
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

// The line [begin_, lineEnd), consuming its line end up to `next`.
std::string_view BufferedTextInput::Take(std::size_t lineEnd, std::size_t next) {
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

// Reads more after the unread bytes, moving them to the front or growing the
// buffer as needed; false at the end of the file. Views handed out before
// become invalid.
bool BufferedTextInput::Fill() {
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
  const std::size_t n = ReadSome(buffer_.get() + end_, size_ - end_);
  if (n == 0) {
    eof_ = true;
    return false;
  }
  end_ += n;
  return true;
}

BufferedTextOutput::BufferedTextOutput() { buffer_.reserve(kChunk); }

void BufferedTextOutput::Write(std::string_view bytes) {
  if (buffer_.size() + bytes.size() > kChunk) {
    Flush();
    if (bytes.size() >= kChunk) {
      WriteAll(bytes.data(), bytes.size());
      return;
    }
  }
  buffer_.append(bytes);
}

void BufferedTextOutput::Close() {
  if (!IsOpen()) return;
  try {
    Flush();
  } catch (const Error&) {
    CloseFile(true);
    throw;
  }
  CloseFile(false);
}

void BufferedTextOutput::FlushQuietly() noexcept {
  try {
    Flush();
  } catch (const Error&) {
    // Closing after an earlier error: that error is the one reported.
  }
}

void BufferedTextOutput::Flush() {
  // The buffer is emptied even when the write fails, so that nothing is
  // written twice.
  struct Emptied {
    std::string& buffer;
    ~Emptied() { buffer.clear(); }
  } emptied{buffer_};
  WriteAll(buffer_.data(), buffer_.size());
}

}  // namespace kor::platform
