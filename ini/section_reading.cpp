// korINI: whole groups of numbered keys from one section.
//
//   [Colors]
//   NumberOfItems=2
//   NumberOfKeys=2
//   Key1=Red
//   Key2=Blue
//   Red1=255
//   Red2=0
//   Blue1=0
//   Blue2=255
//
// Every value is read key by key through the class's own GetInt and GetIni.
#include <string>

#include "frame/message.h"
#include "ini/file_names.h"
#include "ini/numeric_text.h"
#include "kortools/error.h"
#include "kortools/korINI.h"
#include "platform/profile_files.h"

namespace kor {
namespace {

// A base name with its leading and trailing spaces (only spaces) removed.
std::u16string_view TrimSpaces(std::u16string_view s) {
  const std::size_t first = s.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(u' ') - first + 1);
}

// A key name: a base name followed by the decimal digits of a number.
String& Numbered(String& key, std::u16string_view base, Long n) {
  key.assign(base);
  ini::AppendDecimalDigits(key, n);
  return key;
}

// The two counts bound the array; a negative one cannot.
void ReDimGroup(StringArray& a, Long keys, Long items) {
  if (keys < 0 || items < 0) throw Error::Runtime(9);
  a.ReDim(0, keys, 0, items);
}

}  // namespace

void korINI::GetGroup(String& i_IniFile2Read, String& i_Section, Integer& o_NrOfKeys, Integer& o_NrOfItems,
                      StringArray& o_IniKeysAndValues) {
  _korINI& self = *this;
  const platform::ProfileReadGroup group;  // the file is looked at once for all the keys
  String numberOfItems = u"NumberOfItems", numberOfKeys = u"NumberOfKeys";
  Integer noDefault = 0;
  o_NrOfItems = ChangeType<Integer>(self.GetInt(i_Section, numberOfItems, noDefault, i_IniFile2Read));
  o_NrOfKeys = ChangeType<Integer>(self.GetInt(i_Section, numberOfKeys, noDefault, i_IniFile2Read));

  if (o_NrOfKeys == 0 || o_NrOfItems == 0) {
    // The text has no closing parenthesis.
    RequestMessage(u"(" + ini::DefaultText(o_NrOfKeys) + u" keys and " + ini::DefaultText(o_NrOfItems) +
                   u" items in section " + i_Section + u" of file " + i_IniFile2Read);
    return;
  }

  ReDimGroup(o_IniKeysAndValues, o_NrOfKeys, o_NrOfItems);
  const Long keys = o_NrOfKeys;
  for (Long i = 1; i <= keys; ++i) {
    String key, empty;
    o_IniKeysAndValues(i, 0) = self.GetIni(i_Section, Numbered(key, u"Key", i), empty, i_IniFile2Read);
    const Long items = o_NrOfItems;
    for (Long j = 1; j <= items; ++j) {
      empty.clear();
      o_IniKeysAndValues(i, j) =
          self.GetIni(i_Section, Numbered(key, TrimSpaces(o_IniKeysAndValues(i, 0)), j), empty, i_IniFile2Read);
    }
  }
}

void korINI::GetGroupKeys(String& i_IniFile, String& i_Section, StringArray& i_KeyNames, Integer& o_NrOfItems,
                          StringArray& o_KeysAndValues) {
  _korINI& self = *this;
  const platform::ProfileReadGroup group;           // the file is looked at once for all the keys
  String file = ini::CompletedFileName(i_IniFile);  // the caller's variable stays as it is
  String numberOfItems = u"NumberOfItems", oneItem = u"1";
  o_NrOfItems = ini::ToInteger(ini::NumericValue(self.GetIni(i_Section, numberOfItems, oneItem, file)));

  const Long keys = i_KeyNames.UBound(1);
  if (o_NrOfItems == 0 || keys == 0) return;

  ReDimGroup(o_KeysAndValues, keys, o_NrOfItems);
  for (Long i = 1; i <= keys; ++i) {
    const Long items = o_NrOfItems;
    String key, empty;
    for (Long j = 1; j <= items; ++j) {
      empty.clear();
      o_KeysAndValues(i, j) = self.GetIni(i_Section, Numbered(key, TrimSpaces(i_KeyNames(i)), j), empty, file);
    }
  }
}

}  // namespace kor
