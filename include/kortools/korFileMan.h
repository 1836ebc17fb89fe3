// korFileMan: file management with Windows path semantics: path strings,
// file-name analysis, absolute and relative paths, file queries, shell file
// operations, folders and temporary files.
//
//   kor::korFileMan fm;
//   kor::String path = u"C:\\dir\\file.txt";
//   fm.GetFilename(path);                  // u"file.txt"
//   fm.FileExtension(path);                // u"txt"
#pragma once

#include <optional>

#include "kortools/enums.h"
#include "kortools/export.h"
#include "kortools/types.h"
#include "kortools/variant.h"

namespace kor {

// The default interface of korFileMan. Parameters passed by reference are
// the caller's own variables; optional ones are pointers, null when left out.
//
// The path-string methods (GetFilename, FileExtension, GetFilePath, GetPath,
// NormalizePath, UnNormalizePath, SwitchToSlash, SwitchToBackSlash,
// PathIsRelative, AnalyseFilename, AnalyseFilename2, MakePathAbsolute,
// MakePathRelative) work on the text alone: "\" is the only separator ("/" is
// an ordinary character; convert with SwitchToBackSlash), nothing touches the
// file system, and none raises unless it says so. Methods that reach the file
// system take Windows names on the library's view of it (Z:\ is "/", more
// drives from KORTOOLS_DRIVES, letter case looked up; see kortools/paths.h),
// and a name given by reference comes back through the system code page. Most
// of them catch every error and answer with a neutral result (0, False, Empty);
// out of memory is no answer and reaches the caller as std::bad_alloc.
class KORTOOLS_API _korFileMan {
 public:
  virtual ~_korFileMan();

  // -1 when a plain file (not a folder, not hidden) matches i_File2check,
  // which may hold the wildcards * and ? in its last component (matched as
  // Windows does, ignoring case); a name ending in "\" stands for every entry
  // of that folder. 0 otherwise, the empty name included. Never raises.
  //   fm.FileExists(pattern) == -1   // some "Z:\var\log\*.LOG" exists
  virtual Integer FileExists(String& i_File2check) = 0;

  // The part after the last "\" (all of it when there is none): "file.txt"
  // for "C:\dir\file.txt", "" for "C:\dir\".
  virtual String GetFilename(String& i_FileWithPath) = 0;

  // The part after the last "." anywhere in the text, without the ".": "gz"
  // for "a.tar.gz", "" for "name."; the whole text when it holds no ".".
  virtual String FileExtension(String& i_Filename) = 0;

  // Calls FileDateTime with the same arguments and returns its result.
  virtual Variant FileDateTimeExt(String& i_FileOrFolder, Variant* o_CreationDate = nullptr,
                                  Variant* o_LastAccessDate = nullptr) = 0;

  // The last-modification time of a file or folder as a local Date Variant;
  // when either output is passed, the creation and last-access times go there
  // too. Raises 53 (file not found), 76 (path not found), 75 (access denied),
  // or 5 (a wildcard in a folder of the name); the outputs are then left
  // alone. Seconds are whole.
  //   kor::Variant written = fm.FileDateTime(file, &created, &accessed);
  virtual Variant FileDateTime(String& i_FileOrFolder, Variant* o_CreationDate = nullptr,
                               Variant* o_LastAccessDate = nullptr) = 0;

  // The local Date of a raw file time (100-ns steps since 1601 in UTC), given
  // as its low and high 32 bits. Empty for 0, 0 and for a year beyond 9999.
  // Never raises.
  virtual Variant SysToVBTime(Long& LowDate, Long& HighDate) = 0;

  // The four file operations. Each returns True when it succeeded, False
  // otherwise; the Ext twin calls its plain method with the same arguments.
  // i_Source (and i_Destination) may name several items separated by NULs and
  // may hold wildcards. i_OptionsFlag is a sum of FileActionFlags (left out:
  // 1), i_DialogTitle the progress title, i_Owner the owner window's handle.
  // From version 4 on (always, unless KORTOOLS_WINVER says earlier) the shell
  // file operation does the work: a title without a String value or an owner
  // that is not a Long raises 13 or 6 before anything is touched. Before
  // version 4 the runtime's plain operations do it, every error is caught,
  // and a copy or move that fails is tried once more into the destination
  // taken as a folder, which the caller's i_Destination then names.
  //   kor::FileActionFlags quiet = kor::vbFileOpNoConfirm;
  //   fm.FileCopy(from, to, &quiet);
  virtual Boolean FileCopyExt(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                              Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  // Copies i_Source to i_Destination (a file name or a folder); the flags
  // vbFileOpMultiDestFiles and left out both mean none.
  virtual Boolean FileCopy(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                           Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  virtual Boolean FileMoveExt(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                              Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  // Moves i_Source to i_Destination (a new name or a folder).
  virtual Boolean FileMove(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                           Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  virtual Boolean FileRenameExt(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                                Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  // Renames i_Source to i_Destination.
  virtual Boolean FileRename(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                             Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  virtual Boolean FileDeleteExt(String& i_Source, FileActionFlags* i_OptionsFlag = nullptr,
                                Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  // Deletes i_Source; with vbFileOpRecycleBin the items go to the trash (the
  // freedesktop.org trash on Linux) instead.
  virtual Boolean FileDelete(String& i_Source, FileActionFlags* i_OptionsFlag = nullptr,
                             Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;

  // i_Path with a "\" appended when it does not end in one ("" gives "\").
  virtual String NormalizePath(String& i_Path) = 0;

  // The part before the last "\", without it: "C:\dir" for "C:\dir\file.txt",
  // "" when the text holds no "\".
  virtual String GetFilePath(String& i_FileWithPath) = 0;

  // File2MakeAbsolute resolved against the folder AbsolutePath, both trimmed
  // of spaces: "..\f" against "C:\base\sub" gives "C:\base\f" (never above the
  // root), "\f" gives "C:\f", ".\f" and "f" give "C:\base\sub\f". A name that
  // already has a drive or network root, or a base that has neither, comes
  // back unchanged; a leading double quote is kept. Raises 6 when a position
  // in a base longer than 32,767 characters is needed.
  virtual String MakePathAbsolute(String& File2MakeAbsolute, String& AbsolutePath) = 0;

  // Splits i_File2Analyze into the drive ("C:" when it begins "C:\"), the
  // folder with a leading and without a trailing "\" ("\dir\sub"), the name
  // and the extension without its "."; all four outputs are always written.
  // Returns -1. A network name gives no drive. Never raises.
  virtual Integer AnalyseFilename(String i_File2Analyze, String& o_DriveLetter, String& o_FilePath, String& o_FileName,
                                  String& o_FileExtension) = 0;

  // i_Path without one trailing "\" ("C:\dir\" gives "C:\dir", "C:\" "C:").
  virtual String UnNormalizePath(String& i_Path) = 0;

  // True when the first entry matching i_Path (one trailing "\" removed) is a
  // folder. Never raises.
  virtual Boolean FolderExists(String i_Path) = 0;

  // True when the file is in use: it cannot be opened for reading and writing
  // with every other opener kept out (on Linux: any other open of it exists),
  // or cannot be opened at all. A name that does not exist in an existing
  // folder is created, empty, by the probe. Never raises.
  virtual Boolean FileIsLocked(String& i_Filename) = 0;

  // Every "\" replaced by "/".
  virtual String SwitchToSlash(String i_Path) = 0;

  // Every "/" replaced by "\".
  virtual String SwitchToBackSlash(String i_Path) = 0;

  // False when the text holds a ":" anywhere or begins with "\\"; True
  // otherwise, for "\dir\file" (rooted on the current drive) and "" too.
  virtual Boolean PathIsRelative(String& i_PathFilename) = 0;

  // The folder for temporary files ending in "\" ($TMPDIR, else /tmp, in its
  // Windows form: "Z:\tmp\"); the empty string when it cannot be had. Never
  // raises.
  virtual String GetTempDir() = 0;

  // The path of toFile relative to the folder fromPath, compared ignoring
  // case segment by segment: "..\c\f.txt" from "C:\a\b" to "C:\a\c\f.txt",
  // ".\sub\f.txt" into a subfolder, "" when not even the first segments (the
  // drives) agree. Writes a trailing "\" into the caller's fromPath when it
  // has none. Never raises.
  virtual String MakePathRelative(String& fromPath, String& toFile) = 0;

  // The part up to and including the last "\": "C:\dir\" for
  // "C:\dir\file.txt", "" when the text holds no "\".
  virtual String GetPath(String& filePathName) = 0;

  // Creates the folder pathToCreate with every missing folder above it; the
  // text after the last "\" is a file name and is not created ("C:\a\b"
  // creates "C:\a"). True when the folder exists in the end. A bare
  // "\\server\share" gives False. Never raises: a level that cannot be
  // created fails quietly.
  //   fm.CreatePath(u"C:\\data\\2024\\march\\");   // True
  virtual Boolean CreatePath(String pathToCreate) = 0;

  // True when the file can be opened for reading, and, when Exclusive is
  // True, with writers kept out (on Linux: no other open of it for writing).
  // A name that does not exist is not available; nothing is created. Never
  // raises.
  virtual Boolean FileIsAvailable(String& i_Filename, Boolean& Exclusive) = 0;

  // As AnalyseFilename, but a network root "\\server\share" is the drive, the
  // folder keeps its separators ("\dir\sub\"), and the extension is taken
  // from the file name alone. Returns False with all four outputs empty for a
  // malformed name (an empty share, a ":" first, a name beginning with ".").
  // Raises 5 when a "\" stands before the first ":" ("dir\a:b"), after
  // o_DriveLetter was written.
  virtual Boolean AnalyseFilename2(String i_File2Analyze, String& o_DriveLetter, String& o_FilePath, String& o_FileName,
                                   String& o_FileExtension) = 0;

  // Creates a new, empty file in i_Path (GetTempDir when left out or empty)
  // named with the first three characters of i_Prefix and a hexadecimal
  // number, "Z:\tmp\rep3F2A.TMP", and returns its full name; the caller
  // removes it. Raises object error 1 (-2147221503) "Error creating temporary
  // filename. Valid path & prefix settings." when the file cannot be created.
  //   kor::String prefix = u"rep";
  //   kor::String name = fm.GetTempFilePathname(nullptr, &prefix);
  virtual String GetTempFilePathname(String* i_Path = nullptr, String* i_Prefix = nullptr) = 0;
};

class KORTOOLS_API korFileMan final : public _korFileMan {
 public:
  Integer FileExists(String& i_File2check) override;
  String GetFilename(String& i_FileWithPath) override;
  String FileExtension(String& i_Filename) override;
  Variant FileDateTimeExt(String& i_FileOrFolder, Variant* o_CreationDate = nullptr,
                          Variant* o_LastAccessDate = nullptr) override;
  Variant FileDateTime(String& i_FileOrFolder, Variant* o_CreationDate = nullptr,
                       Variant* o_LastAccessDate = nullptr) override;
  Variant SysToVBTime(Long& LowDate, Long& HighDate) override;
  Boolean FileCopyExt(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                      Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) override;
  Boolean FileCopy(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                   Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) override;
  Boolean FileMoveExt(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                      Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) override;
  Boolean FileMove(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                   Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) override;
  Boolean FileRenameExt(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                        Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) override;
  Boolean FileRename(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                     Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) override;
  Boolean FileDeleteExt(String& i_Source, FileActionFlags* i_OptionsFlag = nullptr, Variant* i_DialogTitle = nullptr,
                        Variant* i_Owner = nullptr) override;
  Boolean FileDelete(String& i_Source, FileActionFlags* i_OptionsFlag = nullptr, Variant* i_DialogTitle = nullptr,
                     Variant* i_Owner = nullptr) override;
  String NormalizePath(String& i_Path) override;
  String GetFilePath(String& i_FileWithPath) override;
  String MakePathAbsolute(String& File2MakeAbsolute, String& AbsolutePath) override;
  Integer AnalyseFilename(String i_File2Analyze, String& o_DriveLetter, String& o_FilePath, String& o_FileName,
                          String& o_FileExtension) override;
  String UnNormalizePath(String& i_Path) override;
  Boolean FolderExists(String i_Path) override;
  Boolean FileIsLocked(String& i_Filename) override;
  String SwitchToSlash(String i_Path) override;
  String SwitchToBackSlash(String i_Path) override;
  Boolean PathIsRelative(String& i_PathFilename) override;
  String GetTempDir() override;
  String MakePathRelative(String& fromPath, String& toFile) override;
  String GetPath(String& filePathName) override;
  Boolean CreatePath(String pathToCreate) override;
  Boolean FileIsAvailable(String& i_Filename, Boolean& Exclusive) override;
  Boolean AnalyseFilename2(String i_File2Analyze, String& o_DriveLetter, String& o_FilePath, String& o_FileName,
                           String& o_FileExtension) override;
  String GetTempFilePathname(String* i_Path = nullptr, String* i_Prefix = nullptr) override;

  // C++ calls that take literals and temporaries. Each input the member takes
  // by reference is copied into a local here, and the member's write-back
  // into that copy is dropped: a text the system code page cannot hold coming
  // back with '?' for the characters it lacks. Outputs (o_...) stay
  // references. A call with variables of the exact types still goes to the
  // member above and gets the write-back.
  Integer FileExists(const String& i_File2check);
  String GetFilename(const String& i_FileWithPath);
  String FileExtension(const String& i_Filename);
  Variant FileDateTimeExt(const String& i_FileOrFolder, Variant* o_CreationDate = nullptr,
                          Variant* o_LastAccessDate = nullptr);
  Variant FileDateTime(const String& i_FileOrFolder, Variant* o_CreationDate = nullptr,
                       Variant* o_LastAccessDate = nullptr);
  Variant SysToVBTime(const Long& LowDate, const Long& HighDate);
  Boolean FileCopyExt(const String& i_Source, const String& i_Destination,
                      std::optional<FileActionFlags> i_OptionsFlag = std::nullopt,
                      std::optional<Variant> i_DialogTitle = std::nullopt,
                      std::optional<Variant> i_Owner = std::nullopt);
  Boolean FileCopy(const String& i_Source, const String& i_Destination,
                   std::optional<FileActionFlags> i_OptionsFlag = std::nullopt,
                   std::optional<Variant> i_DialogTitle = std::nullopt, std::optional<Variant> i_Owner = std::nullopt);
  Boolean FileMoveExt(const String& i_Source, const String& i_Destination,
                      std::optional<FileActionFlags> i_OptionsFlag = std::nullopt,
                      std::optional<Variant> i_DialogTitle = std::nullopt,
                      std::optional<Variant> i_Owner = std::nullopt);
  Boolean FileMove(const String& i_Source, const String& i_Destination,
                   std::optional<FileActionFlags> i_OptionsFlag = std::nullopt,
                   std::optional<Variant> i_DialogTitle = std::nullopt, std::optional<Variant> i_Owner = std::nullopt);
  Boolean FileRenameExt(const String& i_Source, const String& i_Destination,
                        std::optional<FileActionFlags> i_OptionsFlag = std::nullopt,
                        std::optional<Variant> i_DialogTitle = std::nullopt,
                        std::optional<Variant> i_Owner = std::nullopt);
  Boolean FileRename(const String& i_Source, const String& i_Destination,
                     std::optional<FileActionFlags> i_OptionsFlag = std::nullopt,
                     std::optional<Variant> i_DialogTitle = std::nullopt,
                     std::optional<Variant> i_Owner = std::nullopt);
  Boolean FileDeleteExt(const String& i_Source, std::optional<FileActionFlags> i_OptionsFlag = std::nullopt,
                        std::optional<Variant> i_DialogTitle = std::nullopt,
                        std::optional<Variant> i_Owner = std::nullopt);
  Boolean FileDelete(const String& i_Source, std::optional<FileActionFlags> i_OptionsFlag = std::nullopt,
                     std::optional<Variant> i_DialogTitle = std::nullopt,
                     std::optional<Variant> i_Owner = std::nullopt);
  String NormalizePath(const String& i_Path);
  String GetFilePath(const String& i_FileWithPath);
  String MakePathAbsolute(const String& File2MakeAbsolute, const String& AbsolutePath);
  String UnNormalizePath(const String& i_Path);
  Boolean FileIsLocked(const String& i_Filename);
  Boolean PathIsRelative(const String& i_PathFilename);
  String MakePathRelative(const String& fromPath, const String& toFile);
  String GetPath(const String& filePathName);
  Boolean FileIsAvailable(const String& i_Filename, const Boolean& Exclusive);
  // With at least the folder given (the call without arguments is the member
  // above).
  String GetTempFilePathname(std::optional<String> i_Path, std::optional<String> i_Prefix = std::nullopt);

 private:
  // The final component of the full path name of `path` (resolved against the
  // current drive and folder); `path` comes back through the system code page.
  String GetFullPathFilePart(String& path);

  // True when the platform's major version is 4 or later: the file
  // operations then take the shell path.
  Boolean IsOSVersion4OrLater();

  // Creates the folder `root` + `folderPath` after its missing parents.
  void CreateFolderTree(String& root, String folderPath);
};

}  // namespace kor
