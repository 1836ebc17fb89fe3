// File queries: existence of files and folders, file times and lock probes.
#include "frame/dates.h"
#include "kortools/error.h"
#include "kortools/korFileMan.h"
#include "platform/code_page.h"
#include "platform/file_locks.h"
#include "platform/file_search.h"
#include "platform/os_version.h"
#include "platform/paths.h"

namespace kor {
namespace {

constexpr std::int32_t kBadFileName = 52;
constexpr std::int32_t kFileNotFound = 53;
constexpr std::int32_t kPathFileAccessError = 75;
constexpr std::int32_t kPathNotFound = 76;
constexpr std::int32_t kInvalidProcedureCall = 5;

// The largest year a Date holds.
constexpr int kLastYear = 9999;

// The attribute filter of the runtime's search for plain files: no hidden,
// system or directory entries.
constexpr std::uint32_t kNormalFiles = 0;

const platform::CodePage& NameCodePage() { return platform::GetFileSystemView().NameCodePage(); }

// A UTC file time as a local Date to the second: shifted by the offset in
// force now, then the calendar day's number plus the time of day's fraction.
// Empty for the zero time, when either conversion fails, or when the year is
// beyond what a Date holds.
Variant LocalDateOf(const platform::FileTime& utc) {
  if (utc.Value() == 0) return Variant();  // no time (the file system's before 1601)
  platform::FileTime local;
  platform::SystemTime st;
  if (!platform::FileTimeToLocalFileTime(utc, local) || !platform::FileTimeToSystemTime(local, st)) return Variant();
  if (st.wYear > kLastYear) return Variant();
  const std::int64_t days = dates::DaysFromCivil(st.wYear, st.wMonth, st.wDay) - dates::DaysFromCivil(1899, 12, 30);
  const std::int64_t seconds = st.wHour * 3600 + st.wMinute * 60 + st.wSecond;
  // The plain sum of the day number and the fraction, in one rounding: before
  // 1899-12-30 the negative day number plus the positive fraction.
  return Variant(Date{static_cast<double>(days * 86400 + seconds) / 86400.0});
}

bool LeftOut(const Variant* v) { return v == nullptr || v->IsMissing(); }

std::int32_t SearchError(std::uint32_t code) {
  switch (code) {
    case platform::kErrorFileNotFound: return kFileNotFound;
    case platform::kErrorPathNotFound: return kPathNotFound;
    case platform::kErrorAccessDenied:
    case platform::kErrorInvalidHandle: return kPathFileAccessError;
    default: return kInvalidProcedureCall;
  }
}

}  // namespace

// Every error is ignored; a search that fails finds nothing.
Integer korFileMan::FileExists(String& i_File2check) {
  platform::FileSearch& search = platform::GetFileSearch();
  std::string found;
  search.FindEntry(NameCodePage().Encode(i_File2check), kNormalFiles, found);
  if (found.empty() || i_File2check.empty()) return 0;
  // A search for a name that is not there ends the runtime's search.
  std::string none;
  search.FindEntry("notfound", kNormalFiles, none);
  return -1;
}

Boolean korFileMan::FolderExists(String i_Path) {
  _korFileMan& self = *this;
  const String p = self.UnNormalizePath(i_Path);
  platform::FileSearch& search = platform::GetFileSearch();
  platform::Win32FindData data;
  std::uint32_t error = 0;
  const platform::FindHandle h = search.FindFirstFile(NameCodePage().Encode(p), data, error);
  if (h == platform::kInvalidHandleValue) return false;
  search.FindClose(h);
  return (data.dwFileAttributes & platform::kFileAttributeDirectory) != 0;
}

// The form without outputs reads the modification time by the plain query,
// which raises 53 for a name it cannot find, 52 for a name no file may have
// and 75 where access is denied.
Variant korFileMan::FileDateTime(String& i_FileOrFolder, Variant* o_CreationDate, Variant* o_LastAccessDate) {
  const platform::CodePage& cp = NameCodePage();
  platform::FileSearch& search = platform::GetFileSearch();
  if (LeftOut(o_CreationDate) && LeftOut(o_LastAccessDate)) {
    platform::FileTime written;
    if (const std::uint32_t e = search.LastWriteTime(cp.Encode(i_FileOrFolder), written))
      throw Error::Runtime(e == platform::kErrorAccessDenied  ? kPathFileAccessError
                           : e == platform::kErrorInvalidName ? kBadFileName
                                                              : kFileNotFound);
    return LocalDateOf(written);
  }
  platform::Win32FindData data;
  std::uint32_t error = 0;
  const std::string name = cp.Encode(i_FileOrFolder);
  const platform::FindHandle h = search.FindFirstFile(name, data, error);
  i_FileOrFolder = cp.Decode(name);  // the caller's variable comes back through the code page
  if (h == platform::kInvalidHandleValue) throw Error::Runtime(SearchError(error));
  search.FindClose(h);

  _korFileMan& self = *this;
  auto convert = [&self](const platform::FileTime& t) {
    Long low = static_cast<Long>(t.dwLowDateTime);
    Long high = static_cast<Long>(t.dwHighDateTime);
    return self.SysToVBTime(low, high);
  };
  Variant created = convert(data.ftCreationTime);
  if (!LeftOut(o_CreationDate)) *o_CreationDate = std::move(created);
  Variant accessed = convert(data.ftLastAccessTime);
  if (!LeftOut(o_LastAccessDate)) *o_LastAccessDate = std::move(accessed);
  return convert(data.ftLastWriteTime);
}

Variant korFileMan::FileDateTimeExt(String& i_FileOrFolder, Variant* o_CreationDate, Variant* o_LastAccessDate) {
  _korFileMan& self = *this;
  return self.FileDateTime(i_FileOrFolder, o_CreationDate, o_LastAccessDate);
}

// The halves count as their unsigned bit patterns. A year beyond 9999 gives
// Empty, as a failed conversion does.
Variant korFileMan::SysToVBTime(Long& LowDate, Long& HighDate) {
  if (LowDate == 0 && HighDate == 0) return Variant();
  return LocalDateOf(platform::FileTime{static_cast<std::uint32_t>(LowDate), static_cast<std::uint32_t>(HighDate)});
}

// A read and write open that denies every other opener, and a one-byte read;
// any failure means the file is locked. A name that does not exist in an
// existing folder is created, empty.
Boolean korFileMan::FileIsLocked(String& i_Filename) {
  try {
    auto file = platform::GetBinaryFiles().Open(NameCodePage().Encode(i_Filename), platform::FileAccess::kReadWrite,
                                                platform::FileShare::kDenyReadWrite);
    file->ReadByte(1);
    file->Close();
    return false;
  } catch (const Error&) {  // out of memory is no answer: it reaches the caller
    return true;
  }
}

// A read open that denies writing to other openers (Exclusive) or restricts
// nothing; a name that does not exist is not available, and nothing is
// created.
Boolean korFileMan::FileIsAvailable(String& i_Filename, Boolean& Exclusive) {
  try {
    auto file =
        platform::GetBinaryFiles().Open(NameCodePage().Encode(i_Filename), platform::FileAccess::kRead,
                                        Exclusive ? platform::FileShare::kDenyWrite : platform::FileShare::kShared);
    file->Close();
    return true;
  } catch (const Error&) {  // out of memory is no answer: it reaches the caller
    return false;
  }
}

// True when the platform's major version is 4 or more: the shell file
// operations then go through the shell.
Boolean korFileMan::IsOSVersion4OrLater() { return platform::MajorVersion(platform::GetVersion()) >= 4; }

}  // namespace kor
