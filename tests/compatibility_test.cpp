// Where korTools follows Windows rather than the library it is built on: the
// code pages' tables byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"

namespace kor {
namespace {

// Every byte of a Windows ANSI code page reads as the character Windows gives
// it and writes back as the same byte, also where iconv's table leaves the
// byte undefined.
TEST(WindowsCodePages, EveryByteSurvivesARoundTrip) {
  const struct {
    const char* name;
    unsigned char byte;
    char16_t windows;  // what Windows' table gives the byte
  } cases[] = {
      {"WINDOWS-1250", 0x98, u'\u0098'}, {"WINDOWS-1251", 0x98, u'\u0098'}, {"WINDOWS-1252", 0x81, u'\u0081'},
      {"CP1252", 0x9D, u'\u009D'},       {"WINDOWS-1253", 0xAA, u'\uF8F9'}, {"WINDOWS-1254", 0x9E, u'\u009E'},
      {"WINDOWS-1255", 0xD9, u'\uF88D'}, {"WINDOWS-1256", 0x81, u'\u067E'}, {"WINDOWS-1257", 0xA5, u'\uF8FD'},
      {"WINDOWS-1258", 0x8D, u'\u008D'}, {"CP874", 0xFF, u'\uF8C8'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto cp = platform::OpenCodePage(c.name);
    if (!cp) continue;  // not every system's iconv has every table
    EXPECT_EQ(cp->Decode(std::string(1, static_cast<char>(c.byte))), String(1, c.windows));
    for (int b = 0x80; b <= 0xFF; ++b) {
      const std::string byte(1, static_cast<char>(b));
      const String wide = cp->Decode(byte);
      EXPECT_NE(wide, u"\uFFFD") << std::hex << b;
      EXPECT_EQ(cp->Encode(wide), byte) << std::hex << b;
    }
  }
  // An ISO code page is never a Windows ANSI code page: its gaps stay gaps.
  const auto iso = platform::OpenCodePage("ISO-8859-3");
  if (iso) {
    EXPECT_EQ(iso->Decode("\xA5"), u"\uFFFD");
  }
}

}  // namespace
}  // namespace kor
