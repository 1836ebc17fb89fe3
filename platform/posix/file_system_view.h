// The POSIX file system seen as Windows path names: the names as
// winrules/name_view.h maps them (drives and shares from KORTOOLS_DRIVES),
// with the lookups that ignore letter case, the temporary folder and the
// module's file from the system.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/paths.h"
#include "winrules/name_view.h"

namespace kor::platform {

struct PosixViewSettings {
  std::string drives;                               // as KORTOOLS_DRIVES
  std::optional<std::string> tempFolder;            // as TMPDIR; none: TMPDIR read at each request
  const CodePage* codePage = nullptr;               // null: SystemCodePage() as it is at each request
  std::function<bool(std::string&)> currentFolder;  // null: the process's current folder
};

class PosixFileSystemView final : public FileSystemView {
 public:
  explicit PosixFileSystemView(PosixViewSettings settings);

  // KORTOOLS_DRIVES, and the system code page as it is at each request.
  static PosixViewSettings FromEnvironment();

  const CodePage& NameCodePage() const override { return names_.NameCodePage(); }
  std::uint32_t GetFullPathName(std::string_view name, std::uint32_t bufferLength, char* buffer, char** filePart,
                                std::uint32_t* lastError = nullptr) const override;
  std::uint32_t FullPathName(std::string_view name, std::string& full) const override;
  std::uint32_t ToPosix(std::string_view name, std::string& posix) const override;
  std::uint32_t FindPosix(std::string_view name, std::string& posix) const override;
  std::uint32_t FindPattern(std::string_view pattern, std::string& posix) const override;
  std::uint32_t ToWindows(std::string_view posix, std::string& name) const override;
  std::uint32_t CurrentFolder(std::string& name) const override;
  std::uint32_t TempFolder(std::string& name) const override;
  std::uint32_t ModuleFileName(std::string& name) const override;

 private:
  std::uint32_t Find(std::string_view name, NameView::Form form, std::string& posix) const;

  NameView names_;
  std::optional<std::string> temp_;
};

}  // namespace kor::platform
