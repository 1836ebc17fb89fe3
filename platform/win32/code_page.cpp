// The code page on Windows: the system's ANSI code page (GetACP), or the one
// that KORTOOLS_CODEPAGE names, converted by MultiByteToWideChar and
// WideCharToMultiByte. Charset names are "UTF-8", "WINDOWS-<n>", "CP<n>" and
// "ISO-8859-<n>".
#include "platform/win32/windows_api.h"

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <mutex>

#include "platform/code_page.h"

namespace kor::platform {
namespace {

std::wstring Wide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }

class Win32CodePage final : public CodePage {
 public:
  Win32CodePage(UINT id, std::string name) : id_(id), name_(std::move(name)) {}

  const std::string& Name() const override { return name_; }
  bool IsUtf8() const override { return id_ == CP_UTF8; }

  std::string Encode(std::u16string_view text) const override { return FromWide(id_, Wide(text)); }

  String Decode(std::string_view bytes) const override {
    const std::wstring w = ToWide(id_, bytes);
    return String(w.begin(), w.end());
  }

  std::string ToUtf8(std::string_view bytes) const override {
    return IsUtf8() ? std::string(bytes) : FromWide(CP_UTF8, ToWide(id_, bytes));
  }
  std::string FromUtf8(std::string_view utf8) const override {
    return IsUtf8() ? std::string(utf8) : FromWide(id_, ToWide(CP_UTF8, utf8));
  }

 private:
  static std::wstring ToWide(UINT cp, std::string_view bytes) {
    if (bytes.empty()) return {};
    const int n = ::MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
    return w;
  }

  static std::string FromWide(UINT cp, const std::wstring& w) {
    if (w.empty()) return {};
    // A character the code page cannot represent becomes "?" (the default
    // character); UTF-8 takes no default character and gives U+FFFD's bytes
    // for an unpaired surrogate, so those are replaced first.
    std::wstring clean = w;
    if (cp == CP_UTF8) {
      for (std::size_t i = 0; i < clean.size(); ++i) {
        const wchar_t c = clean[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 && clean[i + 1] <= 0xDFFF)
          ++i;
        else if (c >= 0xD800 && c <= 0xDFFF)
          clean[i] = L'?';
      }
    }
    const int n =
        ::WideCharToMultiByte(cp, 0, clean.data(), static_cast<int>(clean.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(cp, 0, clean.data(), static_cast<int>(clean.size()), s.data(), n, nullptr, nullptr);
    return s;
  }

  UINT id_;
  std::string name_;
};

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return u;
}

// The Windows code page of a charset name; 0 when there is none.
UINT CodePageId(const std::string& name) {
  if (name == "UTF-8" || name == "UTF8") return CP_UTF8;
  auto number = [&](std::size_t from, UINT base) -> UINT {
    unsigned n = 0;
    const char* end = name.data() + name.size();
    auto [p, ec] = std::from_chars(name.data() + from, end, n);
    return ec == std::errc() && p == end && from < name.size() ? base + n : 0;
  };
  if (name.rfind("WINDOWS-", 0) == 0) return number(8, 0);
  if (name.rfind("CP", 0) == 0) return number(2, 0);
  if (name.rfind("ISO-8859-", 0) == 0) return number(9, 28590);
  return 0;
}

// An 8-bit code page whose lower half is ASCII, or UTF-8.
bool Usable(UINT id) {
  if (id == CP_UTF8) return true;
  CPINFO info;
  if (id == 0 || !::IsValidCodePage(id) || !::GetCPInfo(id, &info) || info.MaxCharSize != 1) return false;
  char ascii[128];
  for (int i = 0; i < 128; ++i) ascii[i] = static_cast<char>(i);
  wchar_t wide[128];
  if (::MultiByteToWideChar(id, 0, ascii, 128, wide, 128) != 128) return false;
  for (int i = 0; i < 128; ++i)
    if (wide[i] != static_cast<wchar_t>(i)) return false;
  return true;
}

std::unique_ptr<CodePage> Make(UINT id) {
  if (id == CP_UTF8) return std::make_unique<Win32CodePage>(id, "UTF-8");
  return std::make_unique<Win32CodePage>(id, "WINDOWS-" + std::to_string(id));
}

// The code page of the environment. Each one chosen stays valid for the
// whole process, since callers keep references.
const CodePage* Choose() {
  std::unique_ptr<CodePage> cp;
  if (const char* setting = std::getenv("KORTOOLS_CODEPAGE"); setting != nullptr && *setting != '\0')
    cp = OpenCodePage(setting);
  if (!cp) cp = Usable(::GetACP()) ? Make(::GetACP()) : Make(CP_UTF8);
  return cp.release();
}

std::once_flag g_chosen;
std::atomic<const CodePage*> g_current{nullptr};

std::wstring WideOfUtf8(std::string_view s) {
  if (s.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

}  // namespace

std::unique_ptr<CodePage> OpenCodePage(std::string_view charset) {
  const UINT id = CodePageId(Upper(charset));
  return Usable(id) ? Make(id) : nullptr;
}

const CodePage& SystemCodePage() {
  std::call_once(g_chosen, [] { g_current.store(Choose(), std::memory_order_release); });
  return *g_current.load(std::memory_order_acquire);
}

void ReloadSystemCodePage() {
  std::call_once(g_chosen, [] {});
  g_current.store(Choose(), std::memory_order_release);
}

char32_t UpperCase(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0xFFFF) return c;
  wchar_t w = static_cast<wchar_t>(c);
  wchar_t upper = w;
  if (::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, &w, 1, &upper, 1) != 1) return c;
  return static_cast<char32_t>(upper);
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a == b) return true;
  const std::wstring wa = WideOfUtf8(a);
  const std::wstring wb = WideOfUtf8(b);
  // Text that is not valid UTF-8 compares exactly.
  if (wa.empty() || wb.empty()) return false;
  return ::CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(), static_cast<int>(wb.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace kor::platform
