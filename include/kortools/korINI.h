// korINI: INI-file settings, numbered groups of keys, and window placement
// stored as screen percentages. Stateless: every read and write goes to the
// file at the moment of the call.
//
//   kor::korINI ini;
//   kor::String section = u"Options", key = u"Colour", def = u"blue", file = u"C:\\app\\app.ini";
//   kor::String colour = ini.GetIni(section, key, def, file);
//   ini.WriteINI(u"Options", u"Colour", u"red", file);
#pragma once

#include <optional>

#include "kortools/export.h"
#include "kortools/object.h"
#include "kortools/string_array.h"
#include "kortools/types.h"
#include "kortools/variant.h"

namespace kor {

// The default interface of korINI. Parameters passed by reference are the
// caller's own variables; optional ones are pointers, null when left out.
// Every key read is one profile-file read through GetIni (255-character
// buffer) and every write one profile-file write through WriteINI. Strings
// given by reference to the platform come back through the system code page:
// a character it cannot hold is "?" in the caller's variable afterwards.
class KORTOOLS_API _korINI {
 public:
  virtual ~_korINI();

  // Reads a self-describing group from section i_Section of i_IniFile2Read:
  // o_NrOfItems from "NumberOfItems" (written first), o_NrOfKeys from
  // "NumberOfKeys", then o_IniKeysAndValues(0 To keys, 0 To items) with the
  // base name "Key"i in column 0 and the key base+j in (i, j). When either
  // count is 0 the table is left as it was and the message "( 0 keys and  3
  // items in section ... of file ..." goes to the event log. A count beyond
  // an Integer raises error 6, a negative count error 9; what was already
  // written stays.
  virtual void GetGroup(String& i_IniFile2Read, String& i_Section, Integer& o_NrOfKeys, Integer& o_NrOfItems,
                        StringArray& o_IniKeysAndValues) = 0;

  // The value of i_Key in i_Section of i_IniFile, cut to 254 characters, or
  // i_DefaultReturnValue when the file, section or key is missing or the
  // value is empty. Never raises; an unreadable file reads as missing.
  //   ini.GetIni(section, key, def, file);   // u"blue" when Colour is not set
  virtual String GetIni(String& i_Section, String& i_Key, String& i_DefaultReturnValue, String& i_IniFile) = 0;

  // The numeric value of the key as a Double Variant: i_DefaultReturnValue
  // when the key is missing or empty, 0 for text that is not a number ("abc"),
  // 12 for "12abc"; "&HFF" and "1.5E2" forms are read. A number beyond a
  // Double raises error 6.
  virtual Variant GetInt(String& i_Section, String& i_Key, Integer& i_DefaultReturnValue, String& i_IniFile) = 0;

  // Restores i_TargetForm (a kor::HostWindow) from the keys Left, Top, Width,
  // Height and State of i_Section, stored as screen percentages. An empty or
  // missing i_IniFile means the default INI file (the module's folder and base
  // name + ".ini"), whose name is written back into the caller's variable.
  // Error 13 when the object is no window; any error of the window, the screen
  // or the arithmetic (384 for a refused Move, 6) reaches the caller at once.
  virtual void ReadPrivateWindow(Object& i_TargetForm, String& i_Section, String* i_IniFile = nullptr) = 0;

  // As ReadPrivateWindow for the section "window", going by the window's
  // border style (maximizes for State 2, minimizes for state 1 or no size).
  // Error 13 when the object is no window; after that check every error is
  // ignored and the method goes on with the next step.
  virtual void ReadWindowSettings(Object& i_TargetForm, String& i_SourceIniFile) = 0;

  // Stores i_KeyValue as i_Key in i_Section of i_IniFile, creating the key,
  // section and file as needed. Returns 1 when written, 0 when not (missing
  // folder, no permission; the file is then unchanged). An empty value is
  // stored as "Key=": a write never deletes. Text after a NUL is not written.
  //   ini.WriteINI(u"Options", u"Colour", u"red", file);   // 1
  virtual Long WriteINI(String i_Section, String i_Key, String i_KeyValue, String i_IniFile) = 0;

  // Saves i_SourceForm's bounds as screen percentages and its state (0
  // normal, 2 maximized) in i_Section of i_IniFile, used as given (an empty
  // name is not the default file). A minimized window is not saved; a
  // maximized one is stored as 0, 0, 100, 100, 2. Error 13 when the object is
  // no window; other errors reach the caller, keeping the keys written. A
  // failed write shows nowhere.
  virtual void WritePrivateWindowinIni(Object& i_SourceForm, String& i_Section, String& i_IniFile) = 0;

  // As WritePrivateWindowinIni for the section "window", storing a maximized
  // window's own bounds with State 2.
  virtual void WriteWindowInIni(Object& i_SourceForm, String& i_IniFile) = 0;

  // Reads the numbered items of the base names i_KeyNames(1 To UBound) from
  // i_Section: o_NrOfItems from "NumberOfItems" (1 when missing), then
  // o_KeysAndValues(0 To UBound, 0 To items) with the key name(i)+j in
  // (i, j). i_IniFile is completed against the current folder and drive in a
  // copy (the caller's variable is not changed). Ends without touching the
  // table when the count or UBound is 0. Error 9 for names without
  // dimensions, a negative count, or names of two dimensions or with a lower
  // bound above 1 (after the table took its new bounds); 6 for a count beyond
  // an Integer.
  virtual void GetGroupKeys(String& i_IniFile, String& i_Section, StringArray& i_KeyNames, Integer& o_NrOfItems,
                            StringArray& o_KeysAndValues) = 0;
};

class KORTOOLS_API korINI final : public _korINI {
 public:
  void GetGroup(String& i_IniFile2Read, String& i_Section, Integer& o_NrOfKeys, Integer& o_NrOfItems,
                StringArray& o_IniKeysAndValues) override;
  String GetIni(String& i_Section, String& i_Key, String& i_DefaultReturnValue, String& i_IniFile) override;
  Variant GetInt(String& i_Section, String& i_Key, Integer& i_DefaultReturnValue, String& i_IniFile) override;
  void ReadPrivateWindow(Object& i_TargetForm, String& i_Section, String* i_IniFile = nullptr) override;
  void ReadWindowSettings(Object& i_TargetForm, String& i_SourceIniFile) override;
  Long WriteINI(String i_Section, String i_Key, String i_KeyValue, String i_IniFile) override;
  void WritePrivateWindowinIni(Object& i_SourceForm, String& i_Section, String& i_IniFile) override;
  void WriteWindowInIni(Object& i_SourceForm, String& i_IniFile) override;
  void GetGroupKeys(String& i_IniFile, String& i_Section, StringArray& i_KeyNames, Integer& o_NrOfItems,
                    StringArray& o_KeysAndValues) override;

  // C++ calls that take literals and temporaries. Each input the member takes
  // by reference is copied into a local here, and the member's write-back
  // into that copy is dropped: a text the system code page cannot hold coming
  // back with '?' for the characters it lacks, and the default INI file's
  // name that a window method writes into an empty file name. Outputs
  // (o_...) stay references. A call with variables of the exact types still
  // goes to the member above and gets the write-back.
  String GetIni(const String& i_Section, const String& i_Key, const String& i_DefaultReturnValue,
                const String& i_IniFile);
  Variant GetInt(const String& i_Section, const String& i_Key, const Integer& i_DefaultReturnValue,
                 const String& i_IniFile);
  void GetGroup(const String& i_IniFile2Read, const String& i_Section, Integer& o_NrOfKeys, Integer& o_NrOfItems,
                StringArray& o_IniKeysAndValues);
  void GetGroupKeys(const String& i_IniFile, const String& i_Section, const StringArray& i_KeyNames,
                    Integer& o_NrOfItems, StringArray& o_KeysAndValues);
  void ReadPrivateWindow(const Object& i_TargetForm, const String& i_Section,
                         std::optional<String> i_IniFile = std::nullopt);
  void ReadWindowSettings(const Object& i_TargetForm, const String& i_SourceIniFile);
  void WritePrivateWindowinIni(const Object& i_SourceForm, const String& i_Section, const String& i_IniFile);
  void WriteWindowInIni(const Object& i_SourceForm, const String& i_IniFile);
};

}  // namespace kor
