// File searches and file times on Windows: FindFirstFileA, FindClose,
// FileTimeToLocalFileTime and FileTimeToSystemTime themselves.

#include "platform/file_search.h"
#include "platform/win32/win32_errors.h"

namespace kor::platform {
namespace {

FileTime Of(const FILETIME& t) { return FileTime{t.dwLowDateTime, t.dwHighDateTime}; }
FILETIME Of(const FileTime& t) { return FILETIME{t.dwLowDateTime, t.dwHighDateTime}; }

void Fill(const WIN32_FIND_DATAA& found, Win32FindData& data) {
  data.dwFileAttributes = found.dwFileAttributes;
  data.ftCreationTime = Of(found.ftCreationTime);
  data.ftLastAccessTime = Of(found.ftLastAccessTime);
  data.ftLastWriteTime = Of(found.ftLastWriteTime);
  data.nFileSizeHigh = found.nFileSizeHigh;
  data.nFileSizeLow = found.nFileSizeLow;
  data.cFileName = found.cFileName;
}

// An entry counts for the runtime's search when its hidden, system and
// folder attributes are all asked for.
bool Counts(DWORD entry, std::uint32_t attributes) {
  const DWORD kinds = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
  return (entry & kinds & ~attributes) == 0;
}

class Win32FileSearch final : public FileSearch {
 public:
  FindHandle FindFirstFile(std::string_view name, Win32FindData& data, std::uint32_t& lastError) override {
    WIN32_FIND_DATAA found;
    const HANDLE h = ::FindFirstFileA(win32::CName(name).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) {
      lastError = ::GetLastError();
      return kInvalidHandleValue;
    }
    Fill(found, data);
    return reinterpret_cast<FindHandle>(h);
  }

  bool FindClose(FindHandle handle) override {
    return handle != kInvalidHandleValue && ::FindClose(reinterpret_cast<HANDLE>(handle)) != 0;
  }

  std::uint32_t FindEntry(std::string_view pattern, std::uint32_t attributes, std::string& found) override {
    found.clear();
    std::string name = win32::CName(pattern);
    if (!name.empty() && (name.back() == '\\' || name.back() == '/')) name += '*';
    WIN32_FIND_DATAA entry;
    const HANDLE h = ::FindFirstFileA(name.c_str(), &entry);
    if (h == INVALID_HANDLE_VALUE) return ::GetLastError();
    std::uint32_t result = kErrorFileNotFound;
    do {
      if (Counts(entry.dwFileAttributes, attributes)) {
        found = entry.cFileName;
        result = 0;
        break;
      }
    } while (::FindNextFileA(h, &entry));
    ::FindClose(h);
    return result;
  }

  std::uint32_t LastWriteTime(std::string_view name, FileTime& time) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(win32::CName(name).c_str(), GetFileExInfoStandard, &data)) return ::GetLastError();
    time = Of(data.ftLastWriteTime);
    return 0;
  }
};

}  // namespace

FileSearch& PlatformFileSearch() {
  static Win32FileSearch search;
  return search;
}

bool FileTimeToLocalFileTime(const FileTime& utc, FileTime& local) {
  const FILETIME in = Of(utc);
  FILETIME out;
  if (!::FileTimeToLocalFileTime(&in, &out)) return false;
  local = Of(out);
  return true;
}

bool FileTimeToSystemTime(const FileTime& time, SystemTime& fields) {
  const FILETIME in = Of(time);
  SYSTEMTIME st;
  if (!::FileTimeToSystemTime(&in, &st)) return false;
  fields = SystemTime{st.wYear, st.wMonth, st.wDayOfWeek, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
  return true;
}

}  // namespace kor::platform
