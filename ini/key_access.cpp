// korINI: reading and writing single keys. Every read is one profile-file
// read into a 255-character buffer, every write one profile-file write; the
// text crosses to the platform in the system code page.
#include <string>

#include "frame/text.h"
#include "ini/numeric_text.h"
#include "kortools/korINI.h"
#include "platform/code_page.h"
#include "platform/profile_files.h"

namespace kor {
namespace {

// The read buffer's size: the platform keeps one place for its NUL, so a value
// is cut to 254 characters.
constexpr std::uint32_t kReadBufferSize = 255;

// A by-reference string argument crossing to the platform: its text in the
// code page for the call, and afterwards the caller's variable as it comes
// back from the conversion.
class CodePageArgument {
 public:
  CodePageArgument(const platform::CodePage& cp, String& variable) : variable_(variable), bytes_(cp.Encode(variable)) {}
  // The text as the platform sees it: up to its first NUL.
  std::string_view ForPlatform() const { return platform::UpToNul(bytes_); }
  void WriteBack(const platform::CodePage& cp) {
    // ASCII is the lower half of every code page the platform uses: it comes
    // back unchanged.
    if (text::IsAscii(variable_)) return;
    String back = cp.Decode(bytes_);
    if (back != variable_) variable_ = std::move(back);
  }

 private:
  String& variable_;
  std::string bytes_;
};

// ASCII is the lower half of every code page the platform uses: a text in
// ASCII crosses as its bytes, with no conversion, and comes back unchanged.
// `out` keeps its storage from call to call. False when the text is not
// ASCII.
bool NarrowAscii(std::u16string_view s, std::string& out) {
  out.resize(s.size());
  char* const o = out.data();
  char16_t seen = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    seen |= s[i];
    o[i] = static_cast<char>(s[i]);
  }
  return seen < 0x80;
}

// The value the platform placed in the buffer, as the caller gets it.
String FromPlatform(const platform::CodePage& cp, const char* buffer, std::uint32_t n) {
  unsigned char seen = 0;
  for (std::uint32_t i = 0; i < n; ++i) seen |= static_cast<unsigned char>(buffer[i]);
  if (seen < 0x80) return String(buffer, buffer + n);
  // In a UTF-8 code page the platform's cut never splits a character.
  return cp.Decode(std::string_view(buffer, n));
}

}  // namespace

String korINI::GetIni(String& i_Section, String& i_Key, String& i_DefaultReturnValue, String& i_IniFile) {
  const platform::CodePage& cp = platform::SystemCodePage();
  char buffer[kReadBufferSize];
  // The usual call, names and default in ASCII: no conversion either way, and
  // the texts' storage kept for the next call.
  thread_local std::string ascii[4];
  if (NarrowAscii(i_Section, ascii[0]) && NarrowAscii(i_Key, ascii[1]) && NarrowAscii(i_DefaultReturnValue, ascii[2]) &&
      NarrowAscii(i_IniFile, ascii[3])) {
    std::uint32_t n = platform::GetProfileFiles().GetPrivateProfileString(
        platform::UpToNul(ascii[0]), platform::UpToNul(ascii[1]), platform::UpToNul(ascii[2]), buffer, kReadBufferSize,
        platform::UpToNul(ascii[3]));
    if (n > kReadBufferSize - 1) n = kReadBufferSize - 1;
    if (n == 0) return i_DefaultReturnValue;
    return FromPlatform(cp, buffer, n);
  }
  CodePageArgument section(cp, i_Section), key(cp, i_Key), defaultText(cp, i_DefaultReturnValue), file(cp, i_IniFile);
  std::uint32_t n = platform::GetProfileFiles().GetPrivateProfileString(
      section.ForPlatform(), key.ForPlatform(), defaultText.ForPlatform(), buffer, kReadBufferSize, file.ForPlatform());
  if (n > kReadBufferSize - 1) n = kReadBufferSize - 1;
  section.WriteBack(cp);
  key.WriteBack(cp);
  defaultText.WriteBack(cp);
  file.WriteBack(cp);
  if (n == 0) return i_DefaultReturnValue;
  return FromPlatform(cp, buffer, n);
}

Variant korINI::GetInt(String& i_Section, String& i_Key, Integer& i_DefaultReturnValue, String& i_IniFile) {
  String defaultText = ini::DefaultText(i_DefaultReturnValue);
  _korINI& self = *this;
  return Variant(Double{ini::NumericValue(self.GetIni(i_Section, i_Key, defaultText, i_IniFile))});
}

Long korINI::WriteINI(String i_Section, String i_Key, String i_KeyValue, String i_IniFile) {
  // Each text reaches the platform as a present string ending at its first
  // NUL, so an empty value is written as an empty value and never deletes
  // the key or the section.
  const platform::CodePage& cp = platform::SystemCodePage();
  const std::string section = cp.Encode(i_Section), key = cp.Encode(i_Key), value = cp.Encode(i_KeyValue),
                    file = cp.Encode(i_IniFile);
  const bool ok = platform::GetProfileFiles().WritePrivateProfileString(
      platform::UpToNul(section), platform::UpToNul(key), platform::UpToNul(value), platform::UpToNul(file));
  return ok ? 1 : 0;
}

}  // namespace kor
