// Regedit exports.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Acme\App]
//   @="default"
//   "Path"="C:\\Program Files\\Acme"
//   "Count"=dword:0000002a
//   "Blob"=hex:01,02,03,\   (continued on the next line)
//     04,05
//   "Expand"=hex(2):25,00,54,00,00,00
//   "Gone"=-
//
//   [-HKEY_CURRENT_USER\Software\Acme\Old]
//
// Strings take the escapes \\ and \" (and \n, \r as some exporters write
// them); a string ends on its own line. In a "REGEDIT4" file the hex data of
// string kinds (1, 2, 7) is 8-bit text in the code page; in version 5.00 it is
// UTF-16LE, as the registry stores it.
#include "winrules/registry/registry_files.h"

namespace kor::platform::regstore {
namespace {

// The text of a quoted string from just after its opening quote; `i`
// ends after the closing quote. False when the line ends first.
bool ReadQuoted(std::string_view line, std::size_t& i, std::string& out) {
  out.clear();
  while (i < line.size()) {
    const std::size_t stop = line.find_first_of("\"\\", i);
    if (stop == std::string_view::npos) break;
    out.append(line.substr(i, stop - i));
    i = stop;
    if (line[i] == '"') {
      ++i;
      return true;
    }
    // A backslash.
    if (i + 1 >= line.size()) break;
    const char e = line[i + 1];
    switch (e) {
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      default:
        out += '\\';
        out += e;
        break;
    }
    i += 2;
  }
  return false;
}

class RegeditReader final : public detail::KeyValueText {
 public:
  RegeditReader(std::string_view text, const CodePage& cp, std::uint64_t fileTime, Store& store, Diagnostics& diag)
      : KeyValueText(text, diag), cp_(cp), fileTime_(fileTime), store_(store) {}

  std::uint32_t Read() {
    return KeyValueText::Read({"Windows Registry Editor Version 5.00", "REGEDIT4"},
                              "\"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"");
  }

 private:
  void Header(std::size_t which) override { unicode_ = which == 0; }

  void KeyLine(std::string_view t) override {
    key_ = nullptr;
    sawKey_ = true;
    const std::size_t close = t.rfind(']');
    if (close == std::string_view::npos) {
      diag_.Report(lines_.Number(), "the key name has no closing \"]\"");
      return;
    }
    std::string_view inner = t.substr(1, close - 1);
    const bool erase = !inner.empty() && inner.front() == '-';
    if (erase) inner.remove_prefix(1);
    KeyPath path;
    if (!ParseKeyPath(inner, path)) {
      diag_.Report(lines_.Number(), "the key \"" + std::string(inner.substr(0, 80)) +
                                        "\" does not begin with a root key or has an empty name");
      return;
    }
    if (erase) {
      if (path.names.empty()) {
        diag_.Report(lines_.Number(), "a root key cannot be deleted");
        return;
      }
      Key* parent = store_.RootKey(path.root);
      for (std::size_t i = 0; parent != nullptr && i + 1 < path.names.size(); ++i)
        parent = store_.FindChildForUpdate(parent, path.names[i]);
      if (parent != nullptr) store_.EraseChild(parent, path.names.back());
      return;
    }
    std::string error;
    key_ = detail::MakeKey(store_, KeyPath{path.root, {}}, path.names, fileTime_, error);
    if (key_ == nullptr) diag_.Report(lines_.Number(), error);
  }

  void ValueLine(std::string_view t) override {
    const std::size_t lineNumber = lines_.Number();
    std::size_t i = 1;
    if (t.front() == '@') {
      name_.clear();
    } else if (!ReadQuoted(t, i, name_)) {
      Fail(lineNumber, false, "the value name has no closing quote");
      return;
    }
    while (i < t.size() && IsAsciiSpace(t[i])) ++i;
    if (i >= t.size() || t[i] != '=') {
      SkipContinuations(t);
      Fail(lineNumber, true, "\"=\" is missing after the value name");
      return;
    }
    const std::string_view valueText = TrimSpace(t.substr(i + 1));
    if (Utf16Length(name_) > kMaxValueNameLength) {
      SkipContinuations(t);
      Fail(lineNumber, false,
           "the value name has " + std::to_string(Utf16Length(name_)) + " characters, more than the " +
               std::to_string(kMaxValueNameLength) + " the registry allows");
      return;
    }
    data_.clear();
    std::uint32_t kind = 0;
    if (valueText == "-") {
      if (key_ != nullptr) store_.EraseValue(key_, name_);
      return;
    }
    if (!valueText.empty() && valueText.front() == '"') {
      std::size_t j = 1;
      if (!ReadQuoted(valueText, j, text_)) {
        Fail(lineNumber, true, "the string has no closing quote");
        return;
      }
      if (!TrimSpace(valueText.substr(j)).empty()) {
        Fail(lineNumber, true, "text follows the closing quote of the string");
        return;
      }
      AppendUtf16Le(data_, text_);
      data_.append(2, '\0');
      kind = 1;
    } else if (StartsWithIgnoringCase(valueText, "dword:")) {
      std::uint32_t v = 0;
      if (!detail::ReadDword(valueText.substr(6), v)) {
        Fail(lineNumber, true, "invalid dword value \"" + std::string(valueText.substr(6, 20)) + "\"");
        return;
      }
      for (int b = 0; b < 4; ++b) data_ += static_cast<char>((v >> (8 * b)) & 0xFF);
      kind = 4;
    } else if (StartsWithIgnoringCase(valueText, "hex:") || StartsWithIgnoringCase(valueText, "hex(")) {
      std::size_t colon = 4;
      kind = 3;
      if (valueText[3] == '(') {
        const std::size_t close = valueText.find(')');
        if (close == std::string_view::npos || close + 1 >= valueText.size() || valueText[close + 1] != ':' ||
            !detail::ReadDword(valueText.substr(4, close - 4), kind)) {
          SkipContinuations(valueText);
          Fail(lineNumber, true, "invalid value kind in \"" + std::string(valueText.substr(0, 16)) + "\"");
          return;
        }
        colon = close + 2;
      }
      const std::string error = detail::ReadHexList(valueText.substr(colon), lines_, data_);
      if (!error.empty()) {
        Fail(lineNumber, true, error);
        return;
      }
      if (!unicode_ && (kind == 1 || kind == 2 || kind == 7)) {
        // 8-bit text in the code page; the registry keeps UTF-16.
        const String units = cp_.Decode(data_);
        data_.clear();
        for (const char16_t u : units) AppendUtf16Le(data_, u);
      }
    } else {
      SkipContinuations(valueText);
      Fail(lineNumber, true, "unknown kind of value data \"" + std::string(valueText.substr(0, 16)) + "\"");
      return;
    }
    if (key_ == nullptr) {
      // Below a key line that was reported or deletes its key, values go
      // nowhere, quietly.
      if (!sawKey_) diag_.Report(lineNumber, "a value before the first key");
      return;
    }
    store_.SetValue(key_, name_, kind, data_);
  }

  // Passes over the lines that continue `line` (ending in "\").
  void SkipContinuations(std::string_view line) {
    while (!TrimSpace(line).empty() && TrimSpace(line).back() == '\\' && lines_.Next(line)) {
    }
  }

  // A value line that could not be read: reported, and the value remembered
  // as damaged when its name is known.
  void Fail(std::size_t line, bool nameKnown, const std::string& what) {
    std::string text = what;
    if (nameKnown) text += name_.empty() ? " (default value)" : " (value \"" + name_.substr(0, 80) + "\")";
    diag_.Report(line, text);
    if (nameKnown && key_ != nullptr) store_.MarkDamaged(key_, name_);
  }

  const CodePage& cp_;
  std::uint64_t fileTime_;
  Store& store_;
  bool unicode_ = false;
  Key* key_ = nullptr;
  bool sawKey_ = false;
  std::string name_, text_, data_;
};

}  // namespace

std::uint32_t ReadRegeditFile(std::string_view bytes, const CodePage& cp, std::uint64_t fileTime, Store& store,
                              Diagnostics& diag) {
  std::string text;
  if (bytes.substr(0, 2) == "\xFF\xFE") {
    if (bytes.size() % 2 != 0) diag.Report(0, "the file's length is odd: its last byte is left out");
    text.reserve(bytes.size() / 2);
    AppendUtf8FromUtf16Le(text, bytes.substr(2));
  } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    text.assign(bytes.substr(3));
  } else {
    text = cp.ToUtf8(bytes);
  }
  return RegeditReader(text, cp, fileTime, store, diag).Read();
}

}  // namespace kor::platform::regstore
