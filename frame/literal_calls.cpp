// The classes' overloads for C++ callers that pass literals and temporaries:
// each by-reference input is copied into a local, the member is called with
// the locals through the published interface, and the locals are dropped.
#include "kortools/RegKey.h"
#include "kortools/korCSV_IO.h"
#include "kortools/korFileMan.h"
#include "kortools/korINI.h"
#include "kortools/korParse.h"

namespace kor {
namespace {

// An optional argument as the member takes it: null when left out.
template <typename T>
T* Given(std::optional<T>& v) {
  return v ? &*v : nullptr;
}

}  // namespace

// korINI

String korINI::GetIni(const String& i_Section, const String& i_Key, const String& i_DefaultReturnValue,
                      const String& i_IniFile) {
  String section = i_Section, key = i_Key, def = i_DefaultReturnValue, file = i_IniFile;
  return static_cast<_korINI&>(*this).GetIni(section, key, def, file);
}

Variant korINI::GetInt(const String& i_Section, const String& i_Key, const Integer& i_DefaultReturnValue,
                       const String& i_IniFile) {
  String section = i_Section, key = i_Key, file = i_IniFile;
  Integer def = i_DefaultReturnValue;
  return static_cast<_korINI&>(*this).GetInt(section, key, def, file);
}

void korINI::GetGroup(const String& i_IniFile2Read, const String& i_Section, Integer& o_NrOfKeys, Integer& o_NrOfItems,
                      StringArray& o_IniKeysAndValues) {
  String file = i_IniFile2Read, section = i_Section;
  static_cast<_korINI&>(*this).GetGroup(file, section, o_NrOfKeys, o_NrOfItems, o_IniKeysAndValues);
}

void korINI::GetGroupKeys(const String& i_IniFile, const String& i_Section, const StringArray& i_KeyNames,
                          Integer& o_NrOfItems, StringArray& o_KeysAndValues) {
  String file = i_IniFile, section = i_Section;
  StringArray names = i_KeyNames;
  static_cast<_korINI&>(*this).GetGroupKeys(file, section, names, o_NrOfItems, o_KeysAndValues);
}

void korINI::ReadPrivateWindow(const Object& i_TargetForm, const String& i_Section, std::optional<String> i_IniFile) {
  Object form = i_TargetForm;
  String section = i_Section;
  static_cast<_korINI&>(*this).ReadPrivateWindow(form, section, Given(i_IniFile));
}

void korINI::ReadWindowSettings(const Object& i_TargetForm, const String& i_SourceIniFile) {
  Object form = i_TargetForm;
  String file = i_SourceIniFile;
  static_cast<_korINI&>(*this).ReadWindowSettings(form, file);
}

void korINI::WritePrivateWindowinIni(const Object& i_SourceForm, const String& i_Section, const String& i_IniFile) {
  Object form = i_SourceForm;
  String section = i_Section, file = i_IniFile;
  static_cast<_korINI&>(*this).WritePrivateWindowinIni(form, section, file);
}

void korINI::WriteWindowInIni(const Object& i_SourceForm, const String& i_IniFile) {
  Object form = i_SourceForm;
  String file = i_IniFile;
  static_cast<_korINI&>(*this).WriteWindowInIni(form, file);
}

// korParse

String korParse::ParseString(const String& i_Line2Parse, String i_ValueDelimiter, Long i_IndexOfValue) {
  String line = i_Line2Parse;
  return static_cast<_korParse&>(*this).ParseString(line, std::move(i_ValueDelimiter), i_IndexOfValue);
}

Integer korParse::SmartParse(const String& i_Line2Parse, StringArray& o_Values, std::optional<String> i_Delimiter,
                             std::optional<String> i_ValuesEncapsulator) {
  String line = i_Line2Parse;
  return static_cast<_korParse&>(*this).SmartParse(line, o_Values, Given(i_Delimiter), Given(i_ValuesEncapsulator));
}

Variant korParse::SandR(String i_Text2ReplaceOn, const String& i_Text2BeReplaced, const String& i_ReplacingText) {
  String what = i_Text2BeReplaced, with = i_ReplacingText;
  return static_cast<_korParse&>(*this).SandR(std::move(i_Text2ReplaceOn), what, with);
}

Integer korParse::ParseTokenArray(String i_String2Parse, const Integer& i_ScanUntillTokenNumber,
                                  StringArray& o_TokenResults, Integer& o_NrOfTokensFound) {
  Integer until = i_ScanUntillTokenNumber;
  return static_cast<_korParse&>(*this).ParseTokenArray(std::move(i_String2Parse), until, o_TokenResults,
                                                        o_NrOfTokensFound);
}

// korCSV_IO

void korCSV_IO::ReadCSVFile(const String& i_CSVFile, StringArray& o_CSVData, std::optional<Long> i_NrOfRecords2Search) {
  String file = i_CSVFile;
  static_cast<_korCSV_IO&>(*this).ReadCSVFile(file, o_CSVData, Given(i_NrOfRecords2Search));
}

void korCSV_IO::WriteCSVFile(const String& i_CSVFile, const StringArray& i_CSVData) {
  String file = i_CSVFile;
  StringArray data = i_CSVData;
  static_cast<_korCSV_IO&>(*this).WriteCSVFile(file, data);
}

// RegKey

void RegKey::RegKeyOpen(const eRegistryRoots& RegRoot, const String& Key, std::optional<eRegistryAccessModes> Access) {
  eRegistryRoots root = RegRoot;
  String key = Key;
  static_cast<_RegKey&>(*this).RegKeyOpen(root, key, Given(Access));
}

Variant RegKey::RegKeyValue(const String& ValueName) {
  String name = ValueName;
  return static_cast<_RegKey&>(*this).RegKeyValue(name);
}

String RegKey::RegKeyValueName(const Long& index) {
  Long i = index;
  return static_cast<_RegKey&>(*this).RegKeyValueName(i);
}

eRegistryDataTypes RegKey::RegKeyValueType(const Long& index) {
  Long i = index;
  return static_cast<_RegKey&>(*this).RegKeyValueType(i);
}

String RegKey::RegKeySubKey(const Long& index) {
  Long i = index;
  return static_cast<_RegKey&>(*this).RegKeySubKey(i);
}

// korFileMan

namespace {

// One string input, copied.
template <typename R>
R WithCopy(korFileMan& fm, R (_korFileMan::*member)(String&), const String& in) {
  String copy = in;
  return (static_cast<_korFileMan&>(fm).*member)(copy);
}

// Two string inputs, copied.
template <typename R>
R WithCopies(korFileMan& fm, R (_korFileMan::*member)(String&, String&), const String& a, const String& b) {
  String first = a, second = b;
  return (static_cast<_korFileMan&>(fm).*member)(first, second);
}

using FileOperation = Boolean (_korFileMan::*)(String&, String&, FileActionFlags*, Variant*, Variant*);
using DeleteOperation = Boolean (_korFileMan::*)(String&, FileActionFlags*, Variant*, Variant*);

Boolean Operate(korFileMan& fm, FileOperation member, const String& source, const String& destination,
                std::optional<FileActionFlags>& flags, std::optional<Variant>& title, std::optional<Variant>& owner) {
  String from = source, to = destination;
  return (static_cast<_korFileMan&>(fm).*member)(from, to, Given(flags), Given(title), Given(owner));
}

}  // namespace

Integer korFileMan::FileExists(const String& i_File2check) {
  return WithCopy(*this, &_korFileMan::FileExists, i_File2check);
}
String korFileMan::GetFilename(const String& i_FileWithPath) {
  return WithCopy(*this, &_korFileMan::GetFilename, i_FileWithPath);
}
String korFileMan::FileExtension(const String& i_Filename) {
  return WithCopy(*this, &_korFileMan::FileExtension, i_Filename);
}
Variant korFileMan::FileDateTimeExt(const String& i_FileOrFolder, Variant* o_CreationDate, Variant* o_LastAccessDate) {
  String file = i_FileOrFolder;
  return static_cast<_korFileMan&>(*this).FileDateTimeExt(file, o_CreationDate, o_LastAccessDate);
}
Variant korFileMan::FileDateTime(const String& i_FileOrFolder, Variant* o_CreationDate, Variant* o_LastAccessDate) {
  String file = i_FileOrFolder;
  return static_cast<_korFileMan&>(*this).FileDateTime(file, o_CreationDate, o_LastAccessDate);
}
Variant korFileMan::SysToVBTime(const Long& LowDate, const Long& HighDate) {
  Long low = LowDate, high = HighDate;
  return static_cast<_korFileMan&>(*this).SysToVBTime(low, high);
}

#define KORTOOLS_FILE_OPERATION(name)                                                                          \
  Boolean korFileMan::name(const String& i_Source, const String& i_Destination,                                \
                           std::optional<FileActionFlags> i_OptionsFlag, std::optional<Variant> i_DialogTitle, \
                           std::optional<Variant> i_Owner) {                                                   \
    return Operate(*this, &_korFileMan::name, i_Source, i_Destination, i_OptionsFlag, i_DialogTitle, i_Owner); \
  }
KORTOOLS_FILE_OPERATION(FileCopyExt)
KORTOOLS_FILE_OPERATION(FileCopy)
KORTOOLS_FILE_OPERATION(FileMoveExt)
KORTOOLS_FILE_OPERATION(FileMove)
KORTOOLS_FILE_OPERATION(FileRenameExt)
KORTOOLS_FILE_OPERATION(FileRename)
#undef KORTOOLS_FILE_OPERATION

Boolean korFileMan::FileDeleteExt(const String& i_Source, std::optional<FileActionFlags> i_OptionsFlag,
                                  std::optional<Variant> i_DialogTitle, std::optional<Variant> i_Owner) {
  String source = i_Source;
  return static_cast<_korFileMan&>(*this).FileDeleteExt(source, Given(i_OptionsFlag), Given(i_DialogTitle),
                                                        Given(i_Owner));
}
Boolean korFileMan::FileDelete(const String& i_Source, std::optional<FileActionFlags> i_OptionsFlag,
                               std::optional<Variant> i_DialogTitle, std::optional<Variant> i_Owner) {
  String source = i_Source;
  return static_cast<_korFileMan&>(*this).FileDelete(source, Given(i_OptionsFlag), Given(i_DialogTitle),
                                                     Given(i_Owner));
}

String korFileMan::NormalizePath(const String& i_Path) { return WithCopy(*this, &_korFileMan::NormalizePath, i_Path); }
String korFileMan::GetFilePath(const String& i_FileWithPath) {
  return WithCopy(*this, &_korFileMan::GetFilePath, i_FileWithPath);
}
String korFileMan::MakePathAbsolute(const String& File2MakeAbsolute, const String& AbsolutePath) {
  return WithCopies(*this, &_korFileMan::MakePathAbsolute, File2MakeAbsolute, AbsolutePath);
}
String korFileMan::UnNormalizePath(const String& i_Path) {
  return WithCopy(*this, &_korFileMan::UnNormalizePath, i_Path);
}
Boolean korFileMan::FileIsLocked(const String& i_Filename) {
  return WithCopy(*this, &_korFileMan::FileIsLocked, i_Filename);
}
Boolean korFileMan::PathIsRelative(const String& i_PathFilename) {
  return WithCopy(*this, &_korFileMan::PathIsRelative, i_PathFilename);
}
String korFileMan::MakePathRelative(const String& fromPath, const String& toFile) {
  return WithCopies(*this, &_korFileMan::MakePathRelative, fromPath, toFile);
}
String korFileMan::GetPath(const String& filePathName) { return WithCopy(*this, &_korFileMan::GetPath, filePathName); }
Boolean korFileMan::FileIsAvailable(const String& i_Filename, const Boolean& Exclusive) {
  String file = i_Filename;
  Boolean exclusive = Exclusive;
  return static_cast<_korFileMan&>(*this).FileIsAvailable(file, exclusive);
}
String korFileMan::GetTempFilePathname(std::optional<String> i_Path, std::optional<String> i_Prefix) {
  return static_cast<_korFileMan&>(*this).GetTempFilePathname(Given(i_Path), Given(i_Prefix));
}

}  // namespace kor
