// The code page on POSIX systems, converted through iconv. The setting
// KORTOOLS_CODEPAGE names the charset (any name iconv knows: "windows-1252",
// "ISO-8859-15"); without it the charset of the locale in the environment is
// taken, and UTF-8 for the "C" and "POSIX" locales, since Linux file names are
// UTF-8 by convention.
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <wctype.h>

#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "frame/text.h"
#include "platform/code_page.h"

namespace kor::platform {
namespace {

constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

bool NamesUtf8(std::string_view charset) {
  std::string folded;
  for (char c : charset)
    if (c != '-' && c != '_') folded += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return folded == "UTF8";
}

// iconv descriptors of one direction, shared by all threads: a conversion
// borrows one (a descriptor holds a conversion state and cannot be used by
// two threads at once) and gives it back.
class DescriptorPool {
 public:
  DescriptorPool(std::string to, std::string from) : to_(std::move(to)), from_(std::move(from)) {}
  ~DescriptorPool() {
    for (iconv_t cd : free_) iconv_close(cd);
  }
  DescriptorPool(const DescriptorPool&) = delete;
  DescriptorPool& operator=(const DescriptorPool&) = delete;

  iconv_t Take() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (!free_.empty()) {
        iconv_t cd = free_.back();
        free_.pop_back();
        return cd;
      }
    }
    return iconv_open(to_.c_str(), from_.c_str());
  }

  void Give(iconv_t cd) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::lock_guard<std::mutex> lock(mu_);
    if (free_.size() < 16) {
      free_.push_back(cd);
      return;
    }
    iconv_close(cd);
  }

 private:
  std::string to_, from_;
  std::mutex mu_;
  std::vector<iconv_t> free_;
};

class Borrowed {
 public:
  explicit Borrowed(DescriptorPool& pool) : pool_(pool), cd_(pool.Take()) {}
  ~Borrowed() {
    if (cd_ != kNoDescriptor) pool_.Give(cd_);
  }
  Borrowed(const Borrowed&) = delete;
  Borrowed& operator=(const Borrowed&) = delete;
  iconv_t get() const { return cd_; }

 private:
  DescriptorPool& pool_;
  iconv_t cd_;
};

// The Windows code page number of a charset name ("WINDOWS-1252", "CP874"),
// 0 for any other name.
int WindowsNumber(std::string_view name) {
  for (const std::string_view prefix : {"WINDOWS-", "CP"}) {
    if (name.substr(0, prefix.size()) != prefix) continue;
    int n = 0;
    for (const char c : name.substr(prefix.size())) {
      if (c < '0' || c > '9' || n > 9999) return 0;
      n = n * 10 + (c - '0');
    }
    return n;
  }
  return 0;
}

// What Windows' own table of an ANSI code page gives for a byte that iconv's
// table leaves undefined: the C1 control of the same number for 0x80 to
// 0x9F, private-use characters for the few others; 0 for none. So every byte
// survives a read and a write-back, as it does on Windows.
char16_t WindowsOnlyCharacter(int codePage, unsigned char b) {
  if (codePage != 874 && (codePage < 1250 || codePage > 1258)) return 0;
  if (b >= 0x80 && b <= 0x9F) return static_cast<char16_t>(b);
  switch (codePage) {
    case 874:
      if (b >= 0xDB && b <= 0xDE) return static_cast<char16_t>(0xF8C1 + (b - 0xDB));
      if (b >= 0xFC) return static_cast<char16_t>(0xF8C5 + (b - 0xFC));
      return 0;
    case 1253: return b == 0xAA ? u'\uF8F9' : b == 0xD2 ? u'\uF8FA' : b == 0xFF ? u'\uF8FB' : 0;
    case 1255:
      if (b == 0xCA) return u'\u05BA';
      if (b >= 0xD9 && b <= 0xDF) return static_cast<char16_t>(0xF88D + (b - 0xD9));
      return b == 0xFB ? u'\uF894' : b == 0xFC ? u'\uF895' : b == 0xFF ? u'\uF896' : 0;
    case 1257: return b == 0xA1 ? u'\uF8FC' : b == 0xA5 ? u'\uF8FD' : 0;
    default: return 0;
  }
}

// The bytes 0x80 to 0xFF that iconv cannot decode in `charset`, with the
// character Windows gives each (0 where Windows has none either).
std::array<char16_t, 128> UndefinedBytes(const std::string& charset) {
  std::array<char16_t, 128> extra{};
  const int number = WindowsNumber(charset);
  if (number == 0) return extra;
  iconv_t cd = iconv_open(kUtf16, charset.c_str());
  if (cd == kNoDescriptor) return extra;
  for (int b = 0x80; b <= 0xFF; ++b) {
    char byte = static_cast<char>(b);
    char16_t wide[4];
    char* in = &byte;
    std::size_t inLeft = 1;
    auto* o = reinterpret_cast<char*>(wide);
    std::size_t oLeft = sizeof wide;
    if (iconv(cd, &in, &inLeft, &o, &oLeft) == static_cast<std::size_t>(-1))
      extra[b - 0x80] = WindowsOnlyCharacter(number, static_cast<unsigned char>(b));
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return extra;
}

class IconvCodePage final : public CodePage {
 public:
  explicit IconvCodePage(std::string name)
      : name_(std::move(name)),
        utf8_(NamesUtf8(name_)),
        extra_(UndefinedBytes(name_)),
        encode_(name_, kUtf16),
        decode_(kUtf16, name_) {}

  const std::string& Name() const override { return name_; }
  bool IsUtf8() const override { return utf8_; }

  std::string Encode(std::u16string_view text) const override {
    if (text::IsAscii(text)) return std::string(text.begin(), text.end());
    if (utf8_) {
      std::string out;  // an unpaired surrogate is a character UTF-8 lacks: "?"
      text::AppendUtf8(out, text, text::Policy::kReplace, U'?');
      return out;
    }
    Borrowed cd(encode_);
    if (cd.get() == kNoDescriptor) return std::string(text.size(), '?');
    std::string out(text.size() + 16, '\0');
    auto* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
    std::size_t inLeft = text.size() * sizeof(char16_t);
    std::size_t used = 0;
    for (;;) {
      if (out.size() - used < 16) out.resize(out.size() * 2);
      char* o = out.data() + used;
      std::size_t oLeft = out.size() - used;
      // With all text converted, one more call writes a stateful code page's
      // closing shift sequence.
      const std::size_t r =
          in != nullptr ? iconv(cd.get(), &in, &inLeft, &o, &oLeft) : iconv(cd.get(), nullptr, nullptr, &o, &oLeft);
      used = static_cast<std::size_t>(o - out.data());
      if (r != static_cast<std::size_t>(-1)) {
        if (in == nullptr) break;
        in = nullptr;
        continue;
      }
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      if (in == nullptr) break;
      // A character the code page cannot represent (EILSEQ), or a high
      // surrogate at the very end (EINVAL): one "?" for the character, unless
      // it is one that only Windows' table of the code page holds.
      const auto* unit = reinterpret_cast<const char16_t*>(in);
      const std::size_t unitsLeft = inLeft / sizeof(char16_t);
      if (unitsLeft == 0) {
        in = nullptr;
        continue;
      }
      std::size_t skip = 1;
      if (unitsLeft >= 2 && unit[0] >= 0xD800 && unit[0] <= 0xDBFF && unit[1] >= 0xDC00 && unit[1] <= 0xDFFF) skip = 2;
      in += skip * sizeof(char16_t);
      inLeft -= skip * sizeof(char16_t);
      o = out.data() + used;
      oLeft = out.size() - used;
      iconv(cd.get(), nullptr, nullptr, &o, &oLeft);  // a stateful code page returns to its initial state
      used = static_cast<std::size_t>(o - out.data());
      out[used++] = skip == 1 ? ByteOf(unit[0]) : '?';
    }
    out.resize(used);
    return out;
  }

  String Decode(std::string_view bytes) const override {
    if (text::IsAscii(bytes)) return String(bytes.begin(), bytes.end());
    if (utf8_) return text::FromUtf8(bytes);
    Borrowed cd(decode_);
    if (cd.get() == kNoDescriptor) return String(bytes.size(), u'\uFFFD');
    String out(bytes.size() + 8, u'\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t used = 0;  // in code units
    while (inLeft > 0) {
      if (out.size() - used < 4) out.resize(out.size() * 2);
      auto* o = reinterpret_cast<char*>(out.data() + used);
      std::size_t oLeft = (out.size() - used) * sizeof(char16_t);
      const std::size_t r = iconv(cd.get(), &in, &inLeft, &o, &oLeft);
      used = static_cast<std::size_t>(reinterpret_cast<char16_t*>(o) - out.data());
      if (r != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      // A byte that is not valid in the code page, unless Windows' table
      // gives it a character.
      const auto b = static_cast<unsigned char>(*in);
      out[used++] = b >= 0x80 && extra_[b - 0x80] != 0 ? extra_[b - 0x80] : u'\uFFFD';
      ++in;
      --inLeft;
    }
    // A code page that combines a letter with the accents after it (1255,
    // 1258) holds the last letter back until the end of the text.
    out.resize(used + 4);
    auto* o = reinterpret_cast<char*>(out.data() + used);
    std::size_t oLeft = 4 * sizeof(char16_t);
    iconv(cd.get(), nullptr, nullptr, &o, &oLeft);
    used = static_cast<std::size_t>(reinterpret_cast<char16_t*>(o) - out.data());
    out.resize(used);
    return out;
  }

  std::string ToUtf8(std::string_view bytes) const override {
    if (utf8_ || text::IsAscii(bytes)) return std::string(bytes);
    return text::ToUtf8(Decode(bytes));
  }

  std::string FromUtf8(std::string_view utf8) const override {
    if (utf8_ || text::IsAscii(utf8)) return std::string(utf8);
    return Encode(text::FromUtf8(utf8));
  }

 private:
  // The byte of a character only Windows' table holds, else "?".
  char ByteOf(char16_t c) const {
    if (c < 0x80) return '?';
    for (std::size_t i = 0; i < extra_.size(); ++i)
      if (extra_[i] == c) return static_cast<char>(0x80 + i);
    return '?';
  }

  std::string name_;
  bool utf8_;
  std::array<char16_t, 128> extra_;  // bytes 0x80 to 0xFF: see UndefinedBytes
  mutable DescriptorPool encode_, decode_;
};

// A code page must leave ASCII as it is: the separators and drive colons of
// names are found byte by byte.
bool KeepsAscii(const std::string& charset) {
  iconv_t cd = iconv_open(kUtf16, charset.c_str());
  if (cd == kNoDescriptor) return false;
  char ascii[127];
  for (int i = 0; i < 127; ++i) ascii[i] = static_cast<char>(i + 1);
  char16_t wide[256] = {};
  char* in = ascii;
  std::size_t inLeft = sizeof ascii;
  auto* o = reinterpret_cast<char*>(wide);
  std::size_t oLeft = sizeof wide;
  const std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1) || inLeft != 0 || oLeft != sizeof wide - 127 * sizeof(char16_t)) return false;
  for (int i = 0; i < 127; ++i)
    if (wide[i] != static_cast<char16_t>(i + 1)) return false;
  return true;
}

std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

// The charset of a locale name: 'de_DE.ISO-8859-1@euro' gives ISO-8859-1.
std::string LocaleCharset(const std::string& locale) {
  if (locale.empty() || locale == "C" || locale == "POSIX") return "UTF-8";
  const auto dot = locale.find('.');
  if (dot != std::string::npos) {
    std::string cs = locale.substr(dot + 1);
    cs = cs.substr(0, cs.find('@'));
    if (!cs.empty()) return cs;
  }
  // No charset in the name: ask the locale itself, without making it the
  // process's locale.
  locale_t loc = newlocale(LC_CTYPE_MASK, locale.c_str(), static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) return "UTF-8";
  std::string cs = nl_langinfo_l(CODESET, loc);
  freelocale(loc);
  if (cs.empty() || cs == "ANSI_X3.4-1968") return "UTF-8";
  return cs;
}

std::string ChosenCharset() {
  if (const char* set = std::getenv("KORTOOLS_CODEPAGE"); set && *set) return set;
  for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"})
    if (const char* v = std::getenv(var); v && *v) return LocaleCharset(v);
  return "UTF-8";
}

struct SystemHolder {
  std::mutex mu;
  std::vector<std::unique_ptr<CodePage>> all;  // earlier choices stay alive
  std::atomic<const CodePage*> current{nullptr};

  const CodePage* Choose() {
    std::unique_ptr<CodePage> cp = OpenCodePage(ChosenCharset());
    if (!cp) cp = OpenCodePage("UTF-8");
    all.push_back(std::move(cp));
    return all.back().get();
  }
};

SystemHolder& Holder() {
  static SystemHolder* holder = new SystemHolder();  // lives for the whole process
  return *holder;
}

locale_t UnicodeLocale() {
  static const locale_t loc = [] {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      locale_t l = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
      if (l != static_cast<locale_t>(nullptr)) return l;
    }
    return static_cast<locale_t>(nullptr);
  }();
  return loc;
}

// The next code point of UTF-8 text; a byte that does not start a valid
// sequence gives a value above U+10FFFF that only equals the same byte.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  if (const auto c = text::DecodeUtf8(s, i)) return *c;
  return 0x110000 + static_cast<unsigned char>(s[i++]);
}

}  // namespace

std::unique_ptr<CodePage> OpenCodePage(std::string_view charset) {
  std::string name = Upper(charset);
  if (NamesUtf8(name)) return std::make_unique<IconvCodePage>("UTF-8");
  if (name.empty() || !KeepsAscii(name)) return nullptr;
  return std::make_unique<IconvCodePage>(std::move(name));
}

const CodePage& SystemCodePage() {
  SystemHolder& h = Holder();
  if (const CodePage* cp = h.current.load(std::memory_order_acquire)) return *cp;
  std::lock_guard<std::mutex> lock(h.mu);
  if (const CodePage* cp = h.current.load(std::memory_order_relaxed)) return *cp;
  const CodePage* cp = h.Choose();
  h.current.store(cp, std::memory_order_release);
  return *cp;
}

void ReloadSystemCodePage() {
  SystemHolder& h = Holder();
  std::lock_guard<std::mutex> lock(h.mu);
  h.current.store(h.Choose(), std::memory_order_release);
}

char32_t UpperCase(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  const locale_t loc = UnicodeLocale();
  if (loc == static_cast<locale_t>(nullptr) || c > 0x10FFFF) return c;
  return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), loc));
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t x = NextCodePoint(a, i);
    const char32_t y = NextCodePoint(b, j);
    if (x != y && UpperCase(x) != UpperCase(y)) return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace kor::platform
