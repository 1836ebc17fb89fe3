// korINI: INI-file settings, numbered groups of keys, and window placement
// stored as screen percentages. Stateless: every read and write goes to the
// file at the moment of the call.
//
//   kor::korINI ini;
//   kor::String section = u"Options", key = u"Colour", def = u"blue", file = u"C:\\app\\app.ini";
//   kor::String colour = ini.GetIni(section, key, def, file);
//   ini.WriteINI(u"Options", u"Colour", u"red", file);
#pragma once

#include "kortools/export.h"
#include "kortools/object.h"
#include "kortools/string_array.h"
#include "kortools/types.h"
#include "kortools/variant.h"

namespace kor {

class KORTOOLS_API _korINI {
 public:
  virtual ~_korINI();

  virtual void GetGroup(String& i_IniFile2Read, String& i_Section, Integer& o_NrOfKeys, Integer& o_NrOfItems,
                        StringArray& o_IniKeysAndValues) = 0;
  virtual String GetIni(String& i_Section, String& i_Key, String& i_DefaultReturnValue, String& i_IniFile) = 0;
  virtual Variant GetInt(String& i_Section, String& i_Key, Integer& i_DefaultReturnValue, String& i_IniFile) = 0;
  virtual void ReadPrivateWindow(Object& i_TargetForm, String& i_Section, String* i_IniFile = nullptr) = 0;
  virtual void ReadWindowSettings(Object& i_TargetForm, String& i_SourceIniFile) = 0;
  virtual Long WriteINI(String i_Section, String i_Key, String i_KeyValue, String i_IniFile) = 0;
  virtual void WritePrivateWindowinIni(Object& i_SourceForm, String& i_Section, String& i_IniFile) = 0;
  virtual void WriteWindowInIni(Object& i_SourceForm, String& i_IniFile) = 0;
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
};

}  // namespace kor
