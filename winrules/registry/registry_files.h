// Reading registry files into a store: regedit exports and the registry files
// of a Wine prefix.
//
// A reader takes what it can from a file: a line it cannot read is reported
// (with its number) and left out, and a value whose line could not be read
// is remembered as damaged, so that asking for it gives 1015 rather than "not
// found". A file that is not of the reader's format gives its code (1017) and
// adds nothing.
//
//   Store store;
//   ReportNothing quiet;
//   std::uint32_t code = ReadRegeditFile(bytes, SystemCodePage(), 0, store, quiet);
//   store.Finish();
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "winrules/registry/store.h"
#include "winrules/registry/text.h"

namespace kor::platform::regstore {

// Where the problems of one file go; `line` is 0 for the file as a whole.
class Diagnostics {
 public:
  virtual ~Diagnostics() = default;
  virtual void Report(std::size_t line, std::string_view what) = 0;
};

class ReportNothing final : public Diagnostics {
 public:
  void Report(std::size_t, std::string_view) override {}
};

enum class FileKind { kUnknown, kRegedit, kWine, kHive };

// The kind of a registry file by its first bytes.
FileKind DetectFileKind(std::string_view bytes);

// A key path as regedit and the registry setting write it:
// "HKEY_LOCAL_MACHINE\Software\Acme" or "HKLM\Software\Acme", any case; a
// trailing "\" is allowed. HKEY_CLASSES_ROOT stands for
// HKEY_LOCAL_MACHINE\Software\Classes, where its keys are kept. False for an
// unknown root or an empty key name.
bool ParseKeyPath(std::string_view text, KeyPath& path);

// What is wrong with a key path read from a file (a name longer than the
// registry allows, too deep), or empty.
std::string CheckKeyPath(const KeyPath& path);

// The place of a Wine registry file's keys: from its header line ";; All keys
// relative to ...", else from its name (system.reg, user.reg, userdef.reg).
// `userSid`, when given, receives the user's security identifier that the
// header names for a user's file.
std::optional<KeyPath> WineFilePlace(std::string_view bytes, std::string_view fileName, std::string* userSid = nullptr);

// The place of a hive file by its name: NTUSER.DAT, UsrClass.dat, SOFTWARE,
// SYSTEM, SAM, SECURITY, DEFAULT, COMPONENTS (any case).
std::optional<KeyPath> HiveFilePlace(std::string_view fileName);

// One entry of the registry setting (KORTOOLS_REGISTRY): a file or folder,
// with the place of its keys when the entry gives one.
struct SettingEntry {
  std::optional<KeyPath> place;
  std::string path;
};

// The setting's entries, separated by ";". An entry is a path, or a key path,
// "=" and a path ("HKLM\Software\Acme=/srv/acme.dat").
std::vector<SettingEntry> ParseRegistrySetting(std::string_view setting);

// Whether a folder's file is read as a registry file: "*.reg" and the hive
// file names (HiveFilePlace); names beginning with "." are not.
bool IsRegistryFileName(std::string_view name);

// A regedit export: "Windows Registry Editor Version 5.00" (UTF-16LE with
// byte-order mark, or UTF-8 with one) or "REGEDIT4" (8-bit text in `cp`).
// Keys carry full paths. `fileTime` becomes the keys' last-write time.
std::uint32_t ReadRegeditFile(std::string_view bytes, const CodePage& cp, std::uint64_t fileTime, Store& store,
                              Diagnostics& diag);

// A Wine registry file ("WINE REGISTRY Version 2"), its keys placed at `place`.
std::uint32_t ReadWineFile(std::string_view bytes, const KeyPath& place, Store& store, Diagnostics& diag);

// Binary hive files are read on the POSIX side (platform/posix/hive_file.h).

// Shared by the text readers.
namespace detail {

// A text file of keys and values, read line by line: the header line, then
// key lines ("["), value lines ("\"" or "@"), option lines ("#") where the
// format has them, comments (";") and blank lines.
class KeyValueText {
 public:
  KeyValueText(std::string_view text, Diagnostics& diag) : lines_(text), diag_(diag) {}
  virtual ~KeyValueText() = default;

  // 0, or 1017 when the first line with text is none of `headers`
  // (`expected` names them for the report).
  std::uint32_t Read(std::initializer_list<std::string_view> headers, std::string_view expected);

 protected:
  virtual void Header(std::size_t /*which*/) {}
  virtual void KeyLine(std::string_view line) = 0;
  virtual void ValueLine(std::string_view line) = 0;
  // False when the format has no such option line.
  virtual bool OptionLine(std::string_view /*line*/) { return false; }

  LineReader lines_;
  Diagnostics& diag_;
};

// Comma-separated hex bytes, continued on the next lines while a line ends in
// "\". Returns an error text, empty on success.
std::string ReadHexList(std::string_view first, LineReader& lines, std::string& bytes);

// "0000002a": one to eight hex digits.
bool ReadDword(std::string_view text, std::uint32_t& value);

// The key below `place` (made as needed), or null with an error for a path
// that is too deep or has a name that is too long.
Key* MakeKey(Store& store, const KeyPath& place, const std::vector<std::string>& names, std::uint64_t lastWrite,
             std::string& error);

}  // namespace detail

}  // namespace kor::platform::regstore
