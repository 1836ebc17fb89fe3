// Text files on Windows: CreateFileA, ReadFile and WriteFile, buffered as on
// every platform (platform/text_lines.h).
#include <string>

#include "platform/text_files.h"
#include "platform/text_lines.h"
#include "platform/win32/win32_errors.h"

namespace kor::platform {
namespace {

constexpr DWORD kLargestIo = 1u << 30;  // bytes asked of one ReadFile or WriteFile

class Win32TextInput final : public BufferedTextInput {
 public:
  explicit Win32TextInput(HANDLE h) : file_(h) {}

 private:
  std::size_t ReadSome(char* buffer, std::size_t size) override {
    DWORD read = 0;
    const DWORD ask = size < kLargestIo ? static_cast<DWORD>(size) : kLargestIo;
    if (!::ReadFile(file_.get(), buffer, ask, &read, nullptr)) win32::RaiseLastError();
    return read;
  }

  win32::Handle file_;
};

class Win32TextOutput final : public BufferedTextOutput {
 public:
  explicit Win32TextOutput(HANDLE h) : file_(h) {}

  ~Win32TextOutput() override {
    if (file_.valid()) FlushQuietly();
  }

 private:
  void WriteAll(const char* p, std::size_t n) override {
    while (n > 0) {
      DWORD written = 0;
      const DWORD ask = n < kLargestIo ? static_cast<DWORD>(n) : kLargestIo;
      if (!::WriteFile(file_.get(), p, ask, &written, nullptr)) win32::RaiseLastError();
      if (written == 0) throw Error::Runtime(61);
      p += written;
      n -= written;
    }
  }

  bool IsOpen() const override { return file_.valid(); }

  void CloseFile(bool afterError) override {
    if (!file_.Reset() && !afterError) win32::RaiseLastError();
  }

  win32::Handle file_;
};

std::string FileName(std::string_view name) {
  std::string n = win32::CName(name);
  if (n.empty() || win32::HasWildcards(n)) throw Error::Runtime(52);
  return n;
}

class Win32TextFiles final : public TextFiles {
 public:
  std::unique_ptr<TextInput> OpenForInput(std::string_view name) override {
    const HANDLE h = ::CreateFileA(FileName(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) win32::RaiseLastError();
    auto input = std::make_unique<Win32TextInput>(h);
    // Only a plain file opens: not a device, console or pipe.
    if (::GetFileType(h) != FILE_TYPE_DISK) throw Error::Runtime(75);
    return input;
  }

  std::unique_ptr<TextOutput> OpenForOutput(std::string_view name) override {
    const HANDLE h = ::CreateFileA(FileName(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) win32::RaiseLastError();
    auto output = std::make_unique<Win32TextOutput>(h);
    if (::GetFileType(h) != FILE_TYPE_DISK) throw Error::Runtime(75);
    return output;
  }
};

}  // namespace

TextFiles& GetTextFiles() {
  static Win32TextFiles files;
  return files;
}

}  // namespace kor::platform
