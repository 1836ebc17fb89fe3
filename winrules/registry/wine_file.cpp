// The registry files of a Wine prefix (system.reg, user.reg, userdef.reg).
//
//   WINE REGISTRY Version 2
//   ;; All keys relative to \\User\\S-1-5-21-0-0-0-1000
//
//   #arch=win64
//
//   [Software\\Acme\\App] 1700000000
//   #time=1da1b2c3d4e5f60
//   @="default"
//   "Path"="C:\\Program Files\\Acme"
//   "Count"=dword:0000002a
//   "Expand"=str(2):"%SystemRoot%\\acme"
//   "List"=str(7):"one\0two\0"
//   "Blob"=hex:01,02,\   (continued on the next line)
//     03
//
// Key lines name the key below the file's place, escaped as the strings are,
// followed by the last-write time in seconds since 1970; "#time=" gives it as
// a FILETIME in hex. Names and strings take C-like escapes: \\ \" \[ \] \a \b
// \e \f \n \r \t \v, \xHHHH for a UTF-16 unit and \ooo in octal. A key marked
// "#link" is a symbolic link to the key its "SymbolicLinkValue" names.
#include "winrules/registry/registry_files.h"

namespace kor::platform::regstore {
namespace {

constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;  // 1970-01-01 in 100 ns since 1601

// The escaped text from `i` up to the unescaped `close`, as UTF-16 units;
// `i` ends after `close`. False when the line ends first.
bool ReadEscaped(std::string_view s, std::size_t& i, char close, std::u16string& out) {
  out.clear();
  while (i < s.size()) {
    const char c = s[i];
    if (c == close) {
      ++i;
      return true;
    }
    if (c != '\\') {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += static_cast<char16_t>(c);
        ++i;
        continue;
      }
      text::AppendUtf16(out, text::NextUtf8(s, i, text::Policy::kKeepSurrogates));
      continue;
    }
    if (++i >= s.size()) return false;
    const char e = s[i++];
    switch (e) {
      case 'a': out += u'\a'; break;
      case 'b': out += u'\b'; break;
      case 'e': out += char16_t{27}; break;
      case 'f': out += u'\f'; break;
      case 'n': out += u'\n'; break;
      case 'r': out += u'\r'; break;
      case 't': out += u'\t'; break;
      case 'v': out += u'\v'; break;
      case 'x': {
        unsigned v = 0;
        int n = 0;
        while (n < 4 && i < s.size() && HexDigit(s[i]) >= 0) v = v * 16 + static_cast<unsigned>(HexDigit(s[i++])), ++n;
        out += n == 0 ? u'x' : static_cast<char16_t>(v);
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          unsigned v = static_cast<unsigned>(e - '0');
          for (int n = 1; n < 3 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++n)
            v = v * 8 + static_cast<unsigned>(s[i++] - '0');
          out += static_cast<char16_t>(v);
        } else {
          --i;  // the character itself, which may take several bytes
          const char32_t cp = text::NextUtf8(s, i, text::Policy::kKeepSurrogates);
          if (cp < 0x10000) out += static_cast<char16_t>(cp);
        }
    }
  }
  return false;
}

std::string Utf8Of(std::u16string_view units) {
  std::string out;
  text::AppendUtf8(out, units, text::Policy::kKeepSurrogates);
  return out;
}

class WineReader final : public detail::KeyValueText {
 public:
  WineReader(std::string_view text, const KeyPath& place, Store& store, Diagnostics& diag)
      : KeyValueText(text, diag), place_(place), store_(store) {}

  std::uint32_t Read() { return KeyValueText::Read({"WINE REGISTRY Version 2"}, "\"WINE REGISTRY Version 2\""); }

 private:
  bool OptionLine(std::string_view t) override {
    if (key_ == nullptr) return true;  // "#arch=" and the like, for the whole file
    if (t == "#link") {
      key_->isLink = true;
    } else if (t.substr(0, 6) == "#time=") {
      std::uint64_t v = 0;
      std::string_view digits = t.substr(6);
      if (digits.empty() || digits.size() > 16) return true;
      for (const char c : digits) {
        if (HexDigit(c) < 0) return true;
        v = v * 16 + static_cast<std::uint64_t>(HexDigit(c));
      }
      key_->lastWrite = v;
    }
    return true;  // "#class=" and others: nothing to keep
  }

  void KeyLine(std::string_view t) override {
    key_ = nullptr;
    std::size_t i = 1;
    if (!ReadEscaped(t, i, ']', units_)) {
      diag_.Report(lines_.Number(), "the key name has no closing \"]\"");
      return;
    }
    std::vector<std::string> names;
    const std::string path = Utf8Of(units_);
    std::size_t pos = 0;
    while (pos <= path.size()) {
      std::size_t end = path.find('\\', pos);
      if (end == std::string::npos) end = path.size();
      if (end == pos) {
        diag_.Report(lines_.Number(), "the key \"" + path.substr(0, 80) + "\" has an empty name");
        return;
      }
      names.push_back(path.substr(pos, end - pos));
      pos = end + 1;
    }
    std::uint64_t lastWrite = 0;
    const std::string_view stamp = TrimSpace(t.substr(i));
    if (!stamp.empty() && stamp.size() <= 12 && stamp.find_first_not_of("0123456789") == std::string_view::npos)
      lastWrite = std::stoull(std::string(stamp)) * 10000000ULL + kUnixEpochAsFileTime;
    std::string error;
    key_ = detail::MakeKey(store_, place_, names, lastWrite, error);
    if (key_ == nullptr) diag_.Report(lines_.Number(), error);
  }

  void ValueLine(std::string_view t) override {
    const std::size_t lineNumber = lines_.Number();
    std::size_t i = 1;
    name_.clear();
    bool nameKnown = true;
    std::string error;
    if (t.front() == '"') {
      nameKnown = ReadEscaped(t, i, '"', units_);
      if (nameKnown) name_ = Utf8Of(units_);
    }
    while (i < t.size() && IsAsciiSpace(t[i])) ++i;
    const std::string_view valueText = TrimSpace(t.substr(std::min(i + 1, t.size())));
    std::uint32_t kind = 1;
    data_.clear();
    if (!nameKnown) {
      error = "the value name has no closing quote";
    } else if (i >= t.size() || t[i] != '=') {
      error = "\"=\" is missing after the value name";
    } else if (Utf16Length(name_) > kMaxValueNameLength) {
      error = "the value name is longer than the " + std::to_string(kMaxValueNameLength) +
              " characters the registry allows";
      nameKnown = false;
    } else if (!valueText.empty() &&
               (valueText.front() == '"' || valueText.substr(0, 4) == "str:" || valueText.substr(0, 4) == "str(")) {
      std::size_t j = 0;
      if (valueText.front() != '"') {
        const std::size_t colon = valueText.find(":\"");
        if (valueText[3] == '(' && (colon == std::string_view::npos || valueText[colon - 1] != ')' ||
                                    !detail::ReadDword(valueText.substr(4, colon - 5), kind)))
          error = "invalid value kind in \"" + std::string(valueText.substr(0, 16)) + "\"";
        j = colon == std::string_view::npos ? valueText.size() : colon + 1;
      }
      ++j;
      if (error.empty() && !ReadEscaped(valueText, j, '"', units_)) error = "the string has no closing quote";
      if (error.empty()) {
        for (const char16_t u : units_) AppendUtf16Le(data_, u);
        data_.append(2, '\0');
      }
    } else if (valueText.substr(0, 6) == "dword:") {
      std::uint32_t v = 0;
      kind = 4;
      if (!detail::ReadDword(valueText.substr(6), v)) error = "invalid dword value";
      for (int b = 0; b < 4; ++b) data_ += static_cast<char>((v >> (8 * b)) & 0xFF);
    } else if (valueText.substr(0, 4) == "hex:" || valueText.substr(0, 4) == "hex(") {
      std::size_t colon = 4;
      kind = 3;
      if (valueText[3] == '(') {
        const std::size_t close = valueText.find("):");
        if (close == std::string_view::npos || !detail::ReadDword(valueText.substr(4, close - 4), kind)) {
          error = "invalid value kind in \"" + std::string(valueText.substr(0, 16)) + "\"";
          colon = valueText.find(':') == std::string_view::npos ? valueText.size() : valueText.find(':') + 1;
        } else {
          colon = close + 2;
        }
      }
      std::string ignored;
      const std::string hexError =
          detail::ReadHexList(valueText.substr(colon), lines_, error.empty() ? data_ : ignored);
      if (error.empty()) error = hexError;
    } else {
      error = "unknown kind of value data \"" + std::string(valueText.substr(0, 16)) + "\"";
    }
    if (!error.empty()) {
      if (nameKnown) error += name_.empty() ? " (default value)" : " (value \"" + name_.substr(0, 80) + "\")";
      diag_.Report(lineNumber, error);
      if (nameKnown && key_ != nullptr) store_.MarkDamaged(key_, name_);
      return;
    }
    if (key_ == nullptr) return;  // below a key line that was reported
    store_.SetValue(key_, name_, kind, data_);
  }

  const KeyPath& place_;
  Store& store_;
  Key* key_ = nullptr;
  std::u16string units_;
  std::string name_, data_;
};

}  // namespace

std::uint32_t ReadWineFile(std::string_view bytes, const KeyPath& place, Store& store, Diagnostics& diag) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return WineReader(bytes, place, store, diag).Read();
}

}  // namespace kor::platform::regstore
