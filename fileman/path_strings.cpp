// Path names as plain strings: name, extension, folder, trailing separator,
// slash conversion and the relative-path test. The separator is "\" only; no
// method here raises an error or changes the caller's variable.
#include "kortools/error.h"
#include "kortools/korFileMan.h"

namespace kor {

// The part after the last "\"; all of it when there is none.
String korFileMan::GetFilename(String& i_FileWithPath) {
  const auto p = i_FileWithPath.rfind(u'\\');
  return p == String::npos ? i_FileWithPath : i_FileWithPath.substr(p + 1);
}

// The part after the last "." anywhere in the name; all of it when there is
// none ('readme' gives 'readme').
String korFileMan::FileExtension(String& i_Filename) {
  const auto p = i_Filename.rfind(u'.');
  return p == String::npos ? i_Filename : i_Filename.substr(p + 1);
}

// Everything before the last "\", without it.
String korFileMan::GetFilePath(String& i_FileWithPath) {
  if (i_FileWithPath.find(u'\\') == String::npos) return String();
  _korFileMan& self = *this;
  const String name = self.GetFilename(i_FileWithPath);
  const auto keep = static_cast<std::int64_t>(i_FileWithPath.size()) - static_cast<std::int64_t>(name.size()) - 1;
  if (keep < 0) throw Error::Runtime(5);  // Left with a negative length
  return i_FileWithPath.substr(0, static_cast<std::size_t>(keep));
}

// Everything up to and including the last "\".
String korFileMan::GetPath(String& filePathName) {
  const auto p = filePathName.rfind(u'\\');
  return p == String::npos ? String() : filePathName.substr(0, p + 1);
}

String korFileMan::NormalizePath(String& i_Path) {
  if (!i_Path.empty() && i_Path.back() == u'\\') return i_Path;
  return i_Path + u'\\';
}

// Removes one trailing "\" only: 'C:\dir\\' gives 'C:\dir\'.
String korFileMan::UnNormalizePath(String& i_Path) {
  if (!i_Path.empty() && i_Path.back() == u'\\') return i_Path.substr(0, i_Path.size() - 1);
  return i_Path;
}

String korFileMan::SwitchToSlash(String i_Path) {
  for (char16_t& c : i_Path)
    if (c == u'\\') c = u'/';
  return i_Path;
}

String korFileMan::SwitchToBackSlash(String i_Path) {
  for (char16_t& c : i_Path)
    if (c == u'/') c = u'\\';
  return i_Path;
}

// Only a name with a colon anywhere or one that starts with "\\" is absolute;
// '\dir\file' (rooted on the current drive) counts as relative.
Boolean korFileMan::PathIsRelative(String& i_PathFilename) {
  if (i_PathFilename.find(u':') != String::npos) return kFalse;
  if (i_PathFilename.size() >= 2 && i_PathFilename[0] == u'\\' && i_PathFilename[1] == u'\\') return kFalse;
  return kTrue;
}

}  // namespace kor
