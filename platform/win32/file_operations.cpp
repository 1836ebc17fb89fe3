// The runtime's plain file operations on Windows: CopyFileA, MoveFileA and
// DeleteFileA over a FindFirstFileA search.
#include <algorithm>
#include <vector>

#include "platform/file_operations.h"
#include "platform/win32/win32_errors.h"

namespace kor::platform {
namespace {

using win32::CName;
using win32::HasWildcards;

// The folder part of `name`, with its separator.
std::string FolderOf(const std::string& name) {
  const std::size_t slash = name.find_last_of("\\/:");
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

class Win32FileOperations final : public FileOperations {
 public:
  void FileCopy(std::string_view source, std::string_view destination) override {
    const std::string from = CName(source), to = CName(destination);
    if (from.empty() || to.empty() || HasWildcards(from) || HasWildcards(to)) throw Error::Runtime(52);
    if (SameFile(from, to)) throw Error::Runtime(70);
    const DWORD kind = ::GetFileAttributesA(from.c_str());
    if (kind != INVALID_FILE_ATTRIBUTES && (kind & FILE_ATTRIBUTE_DIRECTORY) != 0) throw Error::Runtime(75);
    if (!::CopyFileA(from.c_str(), to.c_str(), FALSE)) win32::RaiseLastError();
  }

  void Name(std::string_view oldName, std::string_view newName) override {
    const std::string from = CName(oldName), to = CName(newName);
    if (from.empty() || to.empty() || HasWildcards(from) || HasWildcards(to)) throw Error::Runtime(52);
    if (!::MoveFileA(from.c_str(), to.c_str())) win32::RaiseLastError();
  }

  void Kill(std::string_view pathName) override {
    const std::string pattern = CName(pathName);
    if (pattern.empty()) throw Error::Runtime(52);
    const bool wildcard = HasWildcards(pattern);
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    const HANDLE h = ::FindFirstFileA(pattern.c_str(), &entry);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD e = ::GetLastError();
      win32::Raise(e == ERROR_PATH_NOT_FOUND ? e : ERROR_FILE_NOT_FOUND);
    }
    const std::string folder = FolderOf(pattern);
    do {
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
      if (wildcard && (entry.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) continue;
      names.push_back(folder + entry.cFileName);
    } while (::FindNextFileA(h, &entry));
    ::FindClose(h);
    if (names.empty()) throw Error::Runtime(53);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
      if (!::DeleteFileA(name.c_str())) win32::RaiseLastError();
  }

 private:
  // True when both names are one file (compared by volume and file index).
  static bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    return Info(a, ia) && Info(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
  }

  static bool Info(const std::string& name, BY_HANDLE_FILE_INFORMATION& info) {
    win32::Handle h(::CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.valid() && ::GetFileInformationByHandle(h.get(), &info);
  }
};

}  // namespace

FileOperations& GetFileOperations() {
  static Win32FileOperations operations;
  return operations;
}

}  // namespace kor::platform
