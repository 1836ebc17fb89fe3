// The user's locale settings on POSIX systems: the locale that the
// environment names for numbers (LC_ALL, else LC_NUMERIC, else LANG), opened
// on its own with newlocale, so that the process's locale, which the host may
// have set to anything, plays no part.
#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "frame/text.h"
#include "platform/locale.h"

namespace kor::platform {
namespace {

const char* NumericLocaleName() {
  for (const char* var : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* v = std::getenv(var);
    if (v != nullptr && *v != '\0') return v;
  }
  return "C";
}

String SeparatorOf(const char* name) {
  // LC_CTYPE comes along so that the separator's text is in the locale's own
  // character set.
  locale_t loc = ::newlocale(LC_NUMERIC_MASK | LC_CTYPE_MASK, name, static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return u".";
  std::string radix = ::nl_langinfo_l(RADIXCHAR, loc);
  const std::string codeset = ::nl_langinfo_l(CODESET, loc);
  ::freelocale(loc);
  if (radix.empty()) return u".";
  if (codeset == "UTF-8") {
    String sep = text::FromUtf8(radix);
    return sep.find(u'\uFFFD') == String::npos ? sep : String(u".");
  }
  // An 8-bit locale: its separator is ASCII in every locale glibc knows.
  if (radix.size() == 1 && static_cast<unsigned char>(radix[0]) < 0x80) return String(1, radix[0]);
  return u".";
}

}  // namespace

String DecimalSeparator() {
  // A locale's files do not change while the process runs, so each locale is
  // opened once (glibc's newlocale also keeps a little memory for good at
  // each call while LOCPATH is set).
  static std::mutex mu;
  static std::map<std::string, String> known;
  const char* name = NumericLocaleName();
  const char* path = std::getenv("LOCPATH");
  std::string key = std::string(name) + '\0' + (path ? path : "");
  std::lock_guard<std::mutex> lock(mu);
  auto it = known.find(key);
  if (it == known.end()) it = known.emplace(std::move(key), SeparatorOf(name)).first;
  return it->second;
}

}  // namespace kor::platform
