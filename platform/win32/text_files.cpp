// Text files on Windows: CreateFileA, ReadFile and WriteFile, buffered as on
// every platform (platform/text_lines.h).
#include <string>
#include <utility>

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

void WriteAllTo(HANDLE file, const char* p, std::size_t n) {
  while (n > 0) {
    DWORD written = 0;
    const DWORD ask = n < kLargestIo ? static_cast<DWORD>(n) : kLargestIo;
    if (!::WriteFile(file, p, ask, &written, nullptr)) win32::RaiseLastError();
    if (written == 0) throw Error::Runtime(61);
    p += written;
    n -= written;
  }
}

class Win32TextOutput final : public BufferedTextOutput {
 public:
  explicit Win32TextOutput(HANDLE h) : file_(h) {}

  ~Win32TextOutput() override {
    if (file_.valid()) FlushQuietly();
  }

 private:
  void WriteAll(const char* p, std::size_t n) override { WriteAllTo(file_.get(), p, n); }

  bool IsOpen() const override { return file_.valid(); }

  void CloseFile(bool afterError) override {
    if (!file_.Reset() && !afterError) win32::RaiseLastError();
  }

  win32::Handle file_;
};

// A new file written beside the old one and moved into its place at
// Close(); destroying it without Close() deletes it.
class Win32ReplacingOutput final : public BufferedTextOutput {
 public:
  Win32ReplacingOutput(std::string name, std::string temp, HANDLE h)
      : name_(std::move(name)), temp_(std::move(temp)), file_(h) {}

  ~Win32ReplacingOutput() override {
    file_.Reset();
    if (!committed_) ::DeleteFileA(temp_.c_str());
  }

 private:
  void WriteAll(const char* p, std::size_t n) override { WriteAllTo(file_.get(), p, n); }

  bool IsOpen() const override { return file_.valid(); }

  void CloseFile(bool afterError) override {
    if (afterError) {
      file_.Reset();
      return;
    }
    if (!::FlushFileBuffers(file_.get()) || !file_.Reset()) win32::RaiseLastError();
    if (!::MoveFileExA(temp_.c_str(), name_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      win32::RaiseLastError();
    committed_ = true;
  }

  std::string name_, temp_;
  win32::Handle file_;
  bool committed_ = false;
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

  std::unique_ptr<TextOutput> OpenForReplace(std::string_view name) override {
    std::string file = FileName(name);
    const DWORD attributes = ::GetFileAttributesA(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) throw Error::Runtime(75);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) throw Error::Runtime(70);
    std::string temp = file + ".tmp-kortools";
    const HANDLE h =
        ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) win32::RaiseLastError();
    return std::make_unique<Win32ReplacingOutput>(std::move(file), std::move(temp), h);
  }
};

}  // namespace

TextFiles& GetTextFiles() {
  static Win32TextFiles files;
  return files;
}

}  // namespace kor::platform
