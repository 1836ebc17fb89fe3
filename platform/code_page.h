// The system's 8-bit code page: the text form in which names and other text
// cross to the platform (as the "A" functions of the Windows API take them),
// and the platform's letter case.
//
//   const kor::platform::CodePage& cp = kor::platform::SystemCodePage();
//   std::string a = cp.Encode(u"C:\\Daten\\Gr\u00fc\u00dfe.txt");   // for the platform
//   kor::String back = cp.Decode(a);                             // what the caller's variable gets
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "kortools/types.h"

namespace kor::platform {

class CodePage {
 public:
  virtual ~CodePage() = default;

  // The charset's name as the platform knows it ("UTF-8", "ISO-8859-1", "WINDOWS-1252").
  virtual const std::string& Name() const = 0;
  virtual bool IsUtf8() const = 0;

  // UTF-16 to the code page. The whole text is converted, NUL characters
  // included, as the runtime converts a string argument; a character the code
  // page cannot represent, and an unpaired surrogate, becomes "?".
  virtual std::string Encode(std::u16string_view text) const = 0;

  // The code page to UTF-16; a byte sequence that is not valid in the code
  // page becomes U+FFFD.
  virtual String Decode(std::string_view bytes) const = 0;

  // Between the code page and UTF-8, the form of the file system's names on
  // POSIX systems. With a UTF-8 code page the bytes pass unchanged (even
  // when they are not valid UTF-8).
  virtual std::string ToUtf8(std::string_view bytes) const = 0;
  virtual std::string FromUtf8(std::string_view utf8) const = 0;
};

// The code page of this process, chosen on first use: the charset that
// KORTOOLS_CODEPAGE names, else the charset of the locale in LC_ALL, LC_CTYPE
// or LANG (the first that is set), UTF-8 for "C", "POSIX" or none. A name the
// platform does not know, or a charset that is not an 8-bit code page with
// ASCII as its lower half, falls back to UTF-8. The process's locale is not
// changed.
const CodePage& SystemCodePage();

// Chooses the code page again from the environment. Earlier references stay
// valid.
void ReloadSystemCodePage();

// A code page by its charset name; null when the platform does not know it or
// it is not an 8-bit code page with ASCII as its lower half.
std::unique_ptr<CodePage> OpenCodePage(std::string_view charset);

// The text of a name up to its first NUL: where a string ends for the
// platform.
inline std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

// Simple (one-to-one) Unicode uppercase mapping, independent of the user's
// locale: U+00E4 gives U+00C4, U+0131 gives "I". Surrogates map to
// themselves.
char32_t UpperCase(char32_t c);

// Compares two UTF-8 names ignoring letter case, code point by code point with
// UpperCase; bytes that are not valid UTF-8 compare exactly.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace kor::platform
