// The buffering of text files, the same on every platform: large reads into
// one buffer that the lines are cut from in place, and writes gathered in a
// buffer. A platform supplies only the reads, the writes and the close.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/text_files.h"

namespace kor::platform {

class BufferedTextInput : public TextInput {
 public:
  BufferedTextInput();

  bool AtEnd() override;
  std::string_view ReadLine() override;

 protected:
  // Reads up to `size` bytes into `buffer`: the number read, 0 at the end of
  // the file. Raises the runtime's error of a failed read.
  virtual std::size_t ReadSome(char* buffer, std::size_t size) = 0;

 private:
  std::string_view Take(std::size_t lineEnd, std::size_t next);
  bool Fill();

  std::unique_ptr<char[]> buffer_;
  std::size_t size_;
  std::size_t begin_ = 0, end_ = 0;  // the unread bytes
  bool eof_ = false;
  bool skipLineFeed_ = false;
};

class BufferedTextOutput : public TextOutput {
 public:
  BufferedTextOutput();

  void Write(std::string_view bytes) override;
  void Close() override;

 protected:
  // Writes all `size` bytes, raising the runtime's error of a failed write.
  virtual void WriteAll(const char* bytes, std::size_t size) = 0;
  // True while the file is open.
  virtual bool IsOpen() const = 0;
  // Closes the file, raising the error of the close unless `afterError`
  // (the close after a failed write, whose error is the one reported).
  virtual void CloseFile(bool afterError) = 0;

  // For the platform's destructor, while the file is still open: writes what
  // is buffered, ignoring errors.
  void FlushQuietly() noexcept;

 private:
  void Flush();

  std::string buffer_;
};

}  // namespace kor::platform
