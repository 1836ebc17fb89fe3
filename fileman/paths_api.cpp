// The public conversions between Windows and POSIX names, on the platform's
// view of the file system.
#include "frame/text.h"
#include "kortools/error.h"
#include "kortools/paths.h"
#include "platform/paths.h"

namespace kor {
namespace {

[[noreturn]] void Raise(std::uint32_t win32) { throw Error::Runtime(win32 == platform::kErrorPathNotFound ? 76 : 52); }

std::string PosixOf(const std::string& name) {
  std::string posix;
  if (const std::uint32_t e = platform::GetFileSystemView().FindPosix(name, posix)) Raise(e);
  return posix;
}

std::string WindowsOf(std::string_view posix) {
  std::string name;
  if (const std::uint32_t e = platform::GetFileSystemView().ToWindows(posix, name)) Raise(e);
  return name;
}

}  // namespace

std::string ToPosixPath(std::string_view windowsNameUtf8) {
  const auto& cp = platform::GetFileSystemView().NameCodePage();
  return PosixOf(cp.FromUtf8(platform::UpToNul(windowsNameUtf8)));
}

String ToPosixPath(const String& windowsName) {
  const auto& cp = platform::GetFileSystemView().NameCodePage();
  return text::FromUtf8(PosixOf(cp.Encode(windowsName)));
}

std::string ToWindowsPath(std::string_view posixNameUtf8) {
  const auto& cp = platform::GetFileSystemView().NameCodePage();
  return cp.ToUtf8(WindowsOf(posixNameUtf8));
}

String ToWindowsPath(const String& posixName) {
  const auto& cp = platform::GetFileSystemView().NameCodePage();
  return cp.Decode(WindowsOf(text::ToUtf8(posixName)));
}

}  // namespace kor
