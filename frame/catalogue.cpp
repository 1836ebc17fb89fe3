// The type library: every class, interface, member and enumeration the
// library publishes, in slot order. This is the one place they are written
// down; `describe`, the dispatcher and the server's type library read it.
#include <algorithm>
#include <cctype>

#include "frame/defaults.h"
#include "frame/member_binding.h"
#include "kortools/RegKey.h"
#include "kortools/korCSV_IO.h"
#include "kortools/korFileMan.h"
#include "kortools/korINI.h"
#include "kortools/korParse.h"
#include "kortools/typeinfo.h"

namespace kor {
namespace {

using binding::Member;
using binding::Method;

template <typename Interface, typename Class>
std::shared_ptr<void> Make() {
  return std::static_pointer_cast<void>(std::shared_ptr<Interface>(std::make_shared<Class>()));
}

ClassInfo IniClass() {
  using I = _korINI;
  return {
      "korINI",
      "F7FB023F-84AB-48CA-83BD-1DBB167E107C",
      {"_korINI",
       "524EB34B-8D69-4645-8BF7-665AFFDF0CAE",
       {
           Method<&I::GetGroup>(
               0, "GetGroup", 0x6003000B,
               {{"i_IniFile2Read"}, {"i_Section"}, {"o_NrOfKeys"}, {"o_NrOfItems"}, {"o_IniKeysAndValues"}},
               "Puts a group of keys and values from a specified ini file in a variable"),
           Method<&I::GetIni>(1, "GetIni", 0x6003000C,
                              {{"i_Section"}, {"i_Key"}, {"i_DefaultReturnValue"}, {"i_IniFile"}},
                              "Returns the value of the specified key, returning the defaultReturnValue if an "
                              "error occurs"),
           Method<&I::GetInt>(2, "GetInt", 0x6003000D,
                              {{"i_Section"}, {"i_Key"}, {"i_DefaultReturnValue"}, {"i_IniFile"}},
                              "Reads an ini file. Returns the specified defaultReturnValue if an error occurs"),
           Method<&I::ReadPrivateWindow>(
               3, "ReadPrivateWindow", 0x6003000E,
               {{"i_TargetForm"}, {"i_Section"}, {"i_IniFile", String(defaults::kReadPrivateWindowIniFile)}},
               "Reads Window settings from an Ini file and applies it to an object"),
           Method<&I::ReadWindowSettings>(4, "ReadWindowSettings", 0x6003000F, {{"i_TargetForm"}, {"i_SourceIniFile"}},
                                          "Reads Window settings from an Ini file and applies it to an object"),
           Method<&I::WriteINI>(5, "WriteINI", 0x60030010, {{"i_Section"}, {"i_Key"}, {"i_KeyValue"}, {"i_IniFile"}},
                                "Writes an ini file with the specified Sections, keys and values"),
           Method<&I::WritePrivateWindowinIni>(6, "WritePrivateWindowinIni", 0x60030011,
                                               {{"i_SourceForm"}, {"i_Section"}, {"i_IniFile"}},
                                               "Writes current window settings to an ini file"),
           Method<&I::WriteWindowInIni>(7, "WriteWindowInIni", 0x60030012, {{"i_SourceForm"}, {"i_IniFile"}},
                                        "Writes current window settings to an ini file"),
           Method<&I::GetGroupKeys>(
               8, "GetGroupKeys", 0x60030013,
               {{"i_IniFile"}, {"i_Section"}, {"i_KeyNames"}, {"o_NrOfItems"}, {"o_KeysAndValues"}},
               "Puts groups of keys and values from multiple sections from a specified ini file "
               "in a variable"),
       }},
      &Make<I, korINI>,
  };
}

ClassInfo ParseClass() {
  using I = _korParse;
  return {
      "korParse",
      "43903771-D93E-4484-8881-07F5AB10F4E8",
      {"_korParse",
       "1677E258-3ECA-4D14-BFC9-88AA05E382D0",
       {
           Method<&I::ParseString>(0, "ParseString", 0x60030000,
                                   {{"i_Line2Parse"}, {"i_ValueDelimiter"}, {"i_IndexOfValue"}},
                                   "Returns a specific part from a string, dividing the string by a specified "
                                   "argument(for example, a comma)"),
           Method<&I::SmartParse>(1, "SmartParse", 0x60030001,
                                  {{"i_Line2Parse"},
                                   {"o_Values"},
                                   {"i_Delimiter", String(defaults::kSmartParseDelimiter)},
                                   {"i_ValuesEncapsulator", String(defaults::kSmartParseEncapsulator)}},
                                  "Returns the parts of a string. The argument with which the parts are divided can "
                                  "be specified."),
           Method<&I::SandR>(2, "SandR", 0x60030002, {{"i_Text2ReplaceOn"}, {"i_Text2BeReplaced"}, {"i_ReplacingText"}},
                             "Searches for a string inside a string, and replaces it with another string"),
           Method<&I::ParseTokenArray>(
               3, "ParseTokenArray", 0x60030003,
               {{"i_String2Parse"}, {"i_ScanUntillTokenNumber"}, {"o_TokenResults"}, {"o_NrOfTokensFound"}},
               "Returns the parts of a string, which are divided by a space"),
       }},
      &Make<I, korParse>,
  };
}

ClassInfo FileManClass() {
  using I = _korFileMan;
  const Variant options = Long{defaults::kFileOptions};
  return {
      "korFileMan",
      "7E40944E-1551-442F-B30A-3F2560D287DF",
      {"_korFileMan",
       "FFD4E112-DA4E-4C2A-B595-9330E06C9EBF",
       {
           Method<&I::FileExists>(0, "FileExists", 0x60030005, {{"i_File2check"}},
                                  "Returns -1 if the file exists, 0 if the file does not exist"),
           Method<&I::GetFilename>(1, "GetFilename", 0x60030006, {{"i_FileWithPath"}},
                                   "Returns the filename from a full filename(with path)"),
           Method<&I::FileExtension>(2, "FileExtension", 0x60030007, {{"i_Filename"}},
                                     "Returns the extension of a specified file"),
           Method<&I::FileDateTimeExt>(3, "FileDateTimeExt", 0x60030008,
                                       {{"i_FileOrFolder"}, {"o_CreationDate"}, {"o_LastAccessDate"}},
                                       "Returns the creation date and date of last access"),
           Method<&I::FileDateTime>(4, "FileDateTime", 0x60030009,
                                    {{"i_FileOrFolder"}, {"o_CreationDate"}, {"o_LastAccessDate"}},
                                    "Returns the creation date and date of last access"),
           Method<&I::SysToVBTime>(5, "SysToVBTime", 0x6003000A, {{"LowDate"}, {"HighDate"}},
                                   "Converts the system time to a conventional date(month, day, year, time)"),
           Method<&I::FileCopyExt>(
               6, "FileCopyExt", 0x6003000B,
               {{"i_Source"}, {"i_Destination"}, {"i_OptionsFlag", options}, {"i_DialogTitle"}, {"i_Owner"}},
               "Copies a file from a source to a destination"),
           Method<&I::FileCopy>(
               7, "FileCopy", 0x6003000C,
               {{"i_Source"}, {"i_Destination"}, {"i_OptionsFlag", options}, {"i_DialogTitle"}, {"i_Owner"}},
               "Copies a file from a source to a destination"),
           Method<&I::FileMoveExt>(
               8, "FileMoveExt", 0x6003000D,
               {{"i_Source"}, {"i_Destination"}, {"i_OptionsFlag", options}, {"i_DialogTitle"}, {"i_Owner"}},
               "Moves a file from a source to a destination"),
           Method<&I::FileMove>(
               9, "FileMove", 0x6003000E,
               {{"i_Source"}, {"i_Destination"}, {"i_OptionsFlag", options}, {"i_DialogTitle"}, {"i_Owner"}},
               "Moves a file from a source to a destination"),
           Method<&I::FileRenameExt>(
               10, "FileRenameExt", 0x6003000F,
               {{"i_Source"}, {"i_Destination"}, {"i_OptionsFlag", options}, {"i_DialogTitle"}, {"i_Owner"}},
               "Renames a specified file "),
           Method<&I::FileRename>(
               11, "FileRename", 0x60030010,
               {{"i_Source"}, {"i_Destination"}, {"i_OptionsFlag", options}, {"i_DialogTitle"}, {"i_Owner"}},
               "Renames a specified file "),
           Method<&I::FileDeleteExt>(12, "FileDeleteExt", 0x60030011,
                                     {{"i_Source"}, {"i_OptionsFlag", options}, {"i_DialogTitle"}, {"i_Owner"}},
                                     "Deletes a specified file"),
           Method<&I::FileDelete>(13, "FileDelete", 0x60030012,
                                  {{"i_Source"}, {"i_OptionsFlag", options}, {"i_DialogTitle"}, {"i_Owner"}},
                                  "Deletes a specified file"),
           Method<&I::NormalizePath>(14, "NormalizePath", 0x60030014, {{"i_Path"}},
                                     "Returns the filename/path as a path name"),
           Method<&I::GetFilePath>(15, "GetFilePath", 0x60030016, {{"i_FileWithPath"}},
                                   "Returns the file path from a full filename(with path)"),
           Method<&I::MakePathAbsolute>(16, "MakePathAbsolute", 0x60030017, {{"File2MakeAbsolute"}, {"AbsolutePath"}},
                                        "Returns the absolute path of a relative filename"),
           Method<&I::AnalyseFilename>(
               17, "AnalyseFilename", 0x60030018,
               {{"i_File2Analyze"}, {"o_DriveLetter"}, {"o_FilePath"}, {"o_FileName"}, {"o_FileExtension"}},
               "Analyses a filename and returns the properties of the filename"),
           Method<&I::UnNormalizePath>(18, "UnNormalizePath", 0x6003001A, {{"i_Path"}}),
           Method<&I::FolderExists>(19, "FolderExists", 0x6003001C, {{"i_Path"}}),
           Method<&I::FileIsLocked>(20, "FileIsLocked", 0x6003001D, {{"i_Filename"}},
                                    "Returns false if function is able to get read access + write lock on i_Filename"),
           Method<&I::SwitchToSlash>(21, "SwitchToSlash", 0x6003001E, {{"i_Path"}}),
           Method<&I::SwitchToBackSlash>(22, "SwitchToBackSlash", 0x6003001F, {{"i_Path"}}),
           Method<&I::PathIsRelative>(23, "PathIsRelative", 0x60030020, {{"i_PathFilename"}}),
           Method<&I::GetTempDir>(24, "GetTempDir", 0x60030023, {}),
           Method<&I::MakePathRelative>(25, "MakePathRelative", 0x60030024, {{"fromPath"}, {"toFile"}}),
           Method<&I::GetPath>(26, "GetPath", 0x60030025, {{"filePathName"}}),
           Method<&I::CreatePath>(27, "CreatePath", 0x60030026, {{"pathToCreate"}}),
           Method<&I::FileIsAvailable>(28, "FileIsAvailable", 0x60030029, {{"i_Filename"}, {"Exclusive"}}),
           Method<&I::AnalyseFilename2>(
               29, "AnalyseFilename2", 0x6003002D,
               {{"i_File2Analyze"}, {"o_DriveLetter"}, {"o_FilePath"}, {"o_FileName"}, {"o_FileExtension"}}),
           Method<&I::GetTempFilePathname>(30, "GetTempFilePathname", 0x60030030, {{"i_Path"}, {"i_Prefix"}}),
       }},
      &Make<I, korFileMan>,
  };
}

ClassInfo CsvClass() {
  using I = _korCSV_IO;
  return {
      "korCSV_IO",
      "0C367F53-5AF3-4337-B9D9-401541DD896E",
      {"_korCSV_IO",
       "59F106DE-4FA3-41C9-B7F8-EF3C50F1C57D",
       {
           Method<&I::ReadCSVFile>(
               0, "ReadCSVFile", 0x60030001,
               {{"i_CSVFile"}, {"o_CSVData"}, {"i_NrOfRecords2Search", Long{defaults::kCsvRecordsToSearch}}},
               "Reads a file with the CSV format and returns the data in an array"),
           Method<&I::WriteCSVFile>(1, "WriteCSVFile", 0x60030002, {{"i_CSVFile"}, {"i_CSVData"}},
                                    "Writes a file in CSV format with the specified data"),
       }},
      &Make<I, korCSV_IO>,
  };
}

ClassInfo RegKeyClass() {
  using I = _RegKey;
  return {
      "RegKey",
      "13F74A6A-66CB-44B0-B55A-4039ABAADE93",
      {"_RegKey",
       "5D12DD28-3F4A-441A-AB9B-0C080E9AC457",
       {
           Member<&I::get_RegErrorCode>(0, "RegErrorCode", MemberKind::PropertyGet, 0x40030001, {}, {}),
           Member<&I::put_RegErrorCode>(1, "RegErrorCode", MemberKind::PropertyPut, 0x40030001, {{"RegErrorCode"}}, {}),
           Method<&I::RegKeyOpen>(2, "RegKeyOpen", 0x60030000,
                                  {{"RegRoot"}, {"Key"}, {"Access", Long{defaults::kRegKeyAccess}}}),
           Method<&I::RegKeyClose>(3, "RegKeyClose", 0x60030001, {}),
           Method<&I::RegKeyValuesCount>(4, "RegKeyValuesCount", 0x60030002, {}),
           Method<&I::RegKeyValue>(5, "RegKeyValue", 0x60030003, {{"ValueName"}}),
           Method<&I::RegKeyValueName>(6, "RegKeyValueName", 0x60030004, {{"index"}}),
           Method<&I::RegKeyValueType>(7, "RegKeyValueType", 0x60030005, {{"index"}}),
           Method<&I::RegKeySubKeysCount>(8, "RegKeySubKeysCount", 0x60030006, {}),
           Method<&I::RegKeySubKey>(9, "RegKeySubKey", 0x60030007, {{"index"}}),
           Method<&I::RegErrorString>(10, "RegErrorString", 0x60030009, {}),
       }},
      &Make<I, RegKey>,
  };
}

std::vector<EnumInfo> Enums() {
  return {
      {"eRegistryRoots",
       {{"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKEY_DYN_DATA", HKEY_DYN_DATA},
        {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
        {"HKEY_USERS", HKEY_USERS}}},
      {"eRegistryAccessModes",
       {{"KEY_QUERY_VALUE", KEY_QUERY_VALUE},
        {"KEY_SET_VALUE", KEY_SET_VALUE},
        {"KEY_CREATE_LINK", KEY_CREATE_LINK},
        {"KEY_CREATE_SUB_KEY", KEY_CREATE_SUB_KEY},
        {"KEY_ENUMERATE_SUB_KEYS", KEY_ENUMERATE_SUB_KEYS},
        {"KEY_NOTIFY", KEY_NOTIFY},
        {"KEY_READ", KEY_READ},
        {"KEY_WRITE", KEY_WRITE},
        {"KEY_ALL_ACCESS", KEY_ALL_ACCESS},
        {"KEY_EXECUTE", KEY_EXECUTE}}},
      {"eRegistryErrorCodes",
       {{"ERROR_NONE", ERROR_NONE},
        {"ERROR_BADDB", ERROR_BADDB},
        {"ERROR_BADKEY", ERROR_BADKEY},
        {"ERROR_CANTOPEN", ERROR_CANTOPEN},
        {"ERROR_CANTREAD", ERROR_CANTREAD},
        {"ERROR_CANTWRITE", ERROR_CANTWRITE},
        {"ERROR_OUTOFMEMORY", ERROR_OUTOFMEMORY},
        {"ERROR_ARENA_THRASHED", ERROR_ARENA_THRASHED},
        {"ERROR_ACCESS_DENIED", ERROR_ACCESS_DENIED},
        {"ERROR_INVALID_PARAMETERS", ERROR_INVALID_PARAMETERS},
        {"ERROR_NO_MORE_ITEMS", ERROR_NO_MORE_ITEMS},
        {"ERROR_INSUFFICIENT_BUFFER", ERROR_INSUFFICIENT_BUFFER},
        {"ERROR_MORE_DATA", ERROR_MORE_DATA}}},
      {"eRegistryDataTypes", {{"rdtString", rdtString}, {"rdtLong", rdtLong}, {"rdtUnsupported", rdtUnsupported}}},
      {"FileActionFlags",
       {{"vbFileOpDefault", vbFileOpDefault},
        {"vbFileOpMultiDestFiles", vbFileOpMultiDestFiles},
        {"vbFileOpNoProgress", vbFileOpNoProgress},
        {"vbFileOpRenameOnCollision", vbFileOpRenameOnCollision},
        {"vbFileOpNoConfirm", vbFileOpNoConfirm},
        {"vbFileOpRecycleBin", vbFileOpRecycleBin},
        {"vbFileOpFilesOnly", vbFileOpFilesOnly},
        {"vbFileOpSimpleProgress", vbFileOpSimpleProgress},
        {"vbFileOpNoConfirmMkDir", vbFileOpNoConfirmMkDir}}},
  };
}

bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

const TypeLibraryInfo& TypeLibrary() {
  static const TypeLibraryInfo lib{
      "korTools",
      "0CC11010-2A1A-4C41-A7C1-4848D6F68326",
      4,
      6,
      {IniClass(), ParseClass(), FileManClass(), CsvClass(), RegKeyClass()},
      Enums(),
      {"F6863A43-5AAB-42A5-806B-D43992474B81", "895EC4F1-9461-422E-8D26-53443BE54DAD",
       "4B56B26E-ABB0-4A3B-A4D6-5B15EA8A745D", "3D3B927A-9C12-465E-B0AA-9BE8170BA4C1",
       "4C4CAC8F-B30F-4F65-B0FC-833D836C7C28"},
  };
  return lib;
}

const ClassInfo* FindClass(std::string_view name) {
  for (const auto& c : TypeLibrary().classes)
    if (SameName(c.name, name)) return &c;
  return nullptr;
}

const MemberInfo* FindMember(const ClassInfo& cls, std::string_view name, MemberKind kind) {
  for (const auto& m : cls.iface.members)
    if (m.kind == kind && SameName(m.name, name)) return &m;
  return nullptr;
}

const MemberInfo* FindMember(const ClassInfo& cls, std::int32_t dispid, MemberKind kind) {
  for (const auto& m : cls.iface.members)
    if (m.kind == kind && m.dispid == dispid) return &m;
  return nullptr;
}

const EnumInfo* FindEnum(std::string_view name) {
  for (const auto& e : TypeLibrary().enums)
    if (SameName(e.name, name)) return &e;
  return nullptr;
}

std::string_view TypeName(const TypeRef& type) {
  switch (type.kind) {
    case TypeKind::Void: return "Void";
    case TypeKind::String: return "String";
    case TypeKind::Integer: return "Integer";
    case TypeKind::Long: return "Long";
    case TypeKind::Single: return "Single";
    case TypeKind::Double: return "Double";
    case TypeKind::Date: return "Date";
    case TypeKind::Boolean: return "Boolean";
    case TypeKind::Variant: return "Variant";
    case TypeKind::Object: return "Object";
    case TypeKind::StringArray: return "String()";
    case TypeKind::Enum: return type.enumName;
  }
  return "?";
}

}  // namespace kor
