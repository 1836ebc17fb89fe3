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

class KORTOOLS_API _korFileMan {
 public:
  virtual ~_korFileMan();

  virtual Integer FileExists(String& i_File2check) = 0;
  virtual String GetFilename(String& i_FileWithPath) = 0;
  virtual String FileExtension(String& i_Filename) = 0;
  virtual Variant FileDateTimeExt(String& i_FileOrFolder, Variant* o_CreationDate = nullptr,
                                  Variant* o_LastAccessDate = nullptr) = 0;
  virtual Variant FileDateTime(String& i_FileOrFolder, Variant* o_CreationDate = nullptr,
                               Variant* o_LastAccessDate = nullptr) = 0;
  virtual Variant SysToVBTime(Long& LowDate, Long& HighDate) = 0;
  virtual Boolean FileCopyExt(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                              Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  virtual Boolean FileCopy(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                           Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  virtual Boolean FileMoveExt(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                              Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  virtual Boolean FileMove(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                           Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  virtual Boolean FileRenameExt(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                                Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  virtual Boolean FileRename(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag = nullptr,
                             Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  virtual Boolean FileDeleteExt(String& i_Source, FileActionFlags* i_OptionsFlag = nullptr,
                                Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  virtual Boolean FileDelete(String& i_Source, FileActionFlags* i_OptionsFlag = nullptr,
                             Variant* i_DialogTitle = nullptr, Variant* i_Owner = nullptr) = 0;
  virtual String NormalizePath(String& i_Path) = 0;
  virtual String GetFilePath(String& i_FileWithPath) = 0;
  virtual String MakePathAbsolute(String& File2MakeAbsolute, String& AbsolutePath) = 0;
  virtual Integer AnalyseFilename(String i_File2Analyze, String& o_DriveLetter, String& o_FilePath, String& o_FileName,
                                  String& o_FileExtension) = 0;
  virtual String UnNormalizePath(String& i_Path) = 0;
  virtual Boolean FolderExists(String i_Path) = 0;
  virtual Boolean FileIsLocked(String& i_Filename) = 0;
  virtual String SwitchToSlash(String i_Path) = 0;
  virtual String SwitchToBackSlash(String i_Path) = 0;
  virtual Boolean PathIsRelative(String& i_PathFilename) = 0;
  virtual String GetTempDir() = 0;
  virtual String MakePathRelative(String& fromPath, String& toFile) = 0;
  virtual String GetPath(String& filePathName) = 0;
  virtual Boolean CreatePath(String pathToCreate) = 0;
  virtual Boolean FileIsAvailable(String& i_Filename, Boolean& Exclusive) = 0;
  virtual Boolean AnalyseFilename2(String i_File2Analyze, String& o_DriveLetter, String& o_FilePath, String& o_FileName,
                                   String& o_FileExtension) = 0;
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
