// INI text: decoding, the line rules, the lookup table and the editor.
#include "winrules/ini_text.h"

#include <utility>

#include "frame/text.h"

namespace kor::platform::ini {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

unsigned char Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

bool IsTrail(std::string_view s, std::size_t i, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
  return i < s.size() && Byte(s, i) >= lo && Byte(s, i) <= hi;
}

// The UTF-8 sequence at s[i]: its code point and length; false when the bytes
// there are not one. With `surrogates`, the three-byte forms of U+D800 to
// U+DFFF count as sequences too (the form in which Text keeps the unpaired
// surrogates of a UTF-16LE file).
bool NextSequence(std::string_view s, std::size_t i, char32_t& c, std::size_t& len, bool surrogates) {
  const unsigned char b = Byte(s, i);
  if (b < 0x80) {
    c = b;
    len = 1;
    return true;
  }
  if (b >= 0xC2 && b <= 0xDF) {
    if (!IsTrail(s, i + 1)) return false;
    c = (char32_t{b} & 0x1F) << 6 | (Byte(s, i + 1) & 0x3F);
    len = 2;
    return true;
  }
  if (b >= 0xE0 && b <= 0xEF) {
    const unsigned char lo = b == 0xE0 ? 0xA0 : 0x80;
    const unsigned char hi = b == 0xED && !surrogates ? 0x9F : 0xBF;
    if (!IsTrail(s, i + 1, lo, hi) || !IsTrail(s, i + 2)) return false;
    c = (char32_t{b} & 0x0F) << 12 | (char32_t{Byte(s, i + 1)} & 0x3F) << 6 | (Byte(s, i + 2) & 0x3F);
    len = 3;
    return true;
  }
  if (b >= 0xF0 && b <= 0xF4) {
    const unsigned char lo = b == 0xF0 ? 0x90 : 0x80;
    const unsigned char hi = b == 0xF4 ? 0x8F : 0xBF;
    if (!IsTrail(s, i + 1, lo, hi) || !IsTrail(s, i + 2) || !IsTrail(s, i + 3)) return false;
    c = (char32_t{b} & 0x07) << 18 | (char32_t{Byte(s, i + 1)} & 0x3F) << 12 | (char32_t{Byte(s, i + 2)} & 0x3F) << 6 |
        (Byte(s, i + 3) & 0x3F);
    len = 4;
    return true;
  }
  return false;
}

void AppendUtf16Le(std::string& out, char32_t c) {
  auto unit = [&out](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  if (c < 0x10000) {
    unit(c);
  } else {
    unit(0xD800 + ((c - 0x10000) >> 10));
    unit(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

// UTF-8 with every byte that does not belong to a valid sequence (surrogates
// included) replaced by U+FFFD.
std::string ValidUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    char32_t c;
    std::size_t len;
    if (NextSequence(s, i, c, len, false)) {
      out.append(s.substr(i, len));
      i += len;
    } else {
      out += kReplacement;
      ++i;
    }
  }
  return out;
}

// The uppercase form of one code point, appended.
void AppendFolded(std::string& out, std::string_view s, std::size_t& i) {
  const unsigned char b = Byte(s, i);
  if (b < 0x80) {
    out += static_cast<char>(b >= 'a' && b <= 'z' ? b - 32 : b);
    ++i;
    return;
  }
  char32_t c;
  std::size_t len;
  if (!NextSequence(s, i, c, len, false)) {
    out += static_cast<char>(b);
    ++i;
    return;
  }
  kor::text::AppendUtf8(out, UpperCase(c));
  i += len;
}

// FoldName(utf8) == folded, without building the folded name.
bool FoldsTo(std::string_view utf8, std::string_view folded) {
  std::string piece;
  std::size_t j = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char b = Byte(utf8, i);
    if (b < 0x80) {
      if (j >= folded.size() || folded[j] != static_cast<char>(b >= 'a' && b <= 'z' ? b - 32 : b)) return false;
      ++i;
      ++j;
      continue;
    }
    piece.clear();
    AppendFolded(piece, utf8, i);
    if (folded.substr(j, piece.size()) != piece) return false;
    j += piece.size();
  }
  return j == folded.size();
}

}  // namespace

Text Decode(std::string_view file) {
  Text t;
  if (file.starts_with(kUtf8Bom)) {
    t.encoding = Encoding::kUtf8;
    t.body.assign(file.substr(kUtf8Bom.size()));
  } else if (file.starts_with(kUtf16LeBom)) {
    t.encoding = Encoding::kUtf16Le;
    const std::string_view units = file.substr(kUtf16LeBom.size());
    const std::size_t n = units.size() / 2;
    t.body.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
      char32_t c = Byte(units, 2 * i) | char32_t{Byte(units, 2 * i + 1)} << 8;
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
        const char32_t d = Byte(units, 2 * i + 2) | char32_t{Byte(units, 2 * i + 3)} << 8;
        if (d >= 0xDC00 && d <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
          ++i;
        }
      }
      kor::text::AppendUtf8(t.body, c);
    }
    t.trailing.assign(units.substr(2 * n));
  } else {
    t.body.assign(file);
  }
  return t;
}

std::string Encode(const Text& text) {
  std::string out;
  switch (text.encoding) {
    case Encoding::kCodePage: return text.body;
    case Encoding::kUtf8:
      out.reserve(kUtf8Bom.size() + text.body.size());
      out += kUtf8Bom;
      out += text.body;
      return out;
    case Encoding::kUtf16Le: break;
  }
  out.reserve(kUtf16LeBom.size() + 2 * text.body.size() + text.trailing.size());
  out += kUtf16LeBom;
  const std::string_view s = text.body;
  for (std::size_t i = 0; i < s.size();) {
    char32_t c;
    std::size_t len;
    if (NextSequence(s, i, c, len, true)) {
      i += len;
    } else {
      c = 0xFFFD;
      ++i;
    }
    AppendUtf16Le(out, c);
  }
  out += text.trailing;
  return out;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view ValueAsRead(std::string_view raw) {
  std::string_view v = TrimBlanks(raw);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return v;
}

std::string FoldName(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) AppendFolded(out, utf8, i);
  return out;
}

bool LineReader::Next(Line& line) {
  const std::string_view b = body_;
  if (pos_ >= b.size()) return false;
  line.begin = pos_;
  std::size_t end = pos_;
  while (end < b.size() && b[end] != '\r' && b[end] != '\n') ++end;
  line.end = end;
  line.next = end == b.size() ? end : (b[end] == '\r' && end + 1 < b.size() && b[end + 1] == '\n' ? end + 2 : end + 1);
  pos_ = line.next;

  const std::string_view content = b.substr(line.begin, end - line.begin);
  line.name = {};
  line.value = {};
  line.equals = std::string_view::npos;
  std::size_t first = 0;
  while (first < content.size() && IsBlank(content[first])) ++first;
  if (first == content.size()) {
    line.kind = Line::Kind::kBlank;
    return true;
  }
  if (content[first] == ';') {
    line.kind = Line::Kind::kComment;
    return true;
  }
  if (content[first] == '[') {
    const std::size_t close = content.rfind(']');
    if (close != std::string_view::npos && close > first) {
      line.kind = Line::Kind::kSection;
      line.name = TrimBlanks(content.substr(first + 1, close - first - 1));
      return true;
    }
  }
  line.kind = Line::Kind::kKey;
  const std::size_t eq = content.find('=', first);
  if (eq == std::string_view::npos) {
    line.name = TrimBlanks(content.substr(first));
    line.value = content.substr(content.size());
  } else {
    line.equals = line.begin + eq;
    line.name = TrimBlanks(content.substr(first, eq - first));
    line.value = ValueAsRead(content.substr(eq + 1));
  }
  return true;
}

std::string_view LineEndOf(std::string_view body) {
  const std::size_t i = body.find_first_of("\r\n");
  if (i == std::string_view::npos) return "\r\n";
  if (body[i] == '\n') return "\n";
  return i + 1 < body.size() && body[i + 1] == '\n' ? "\r\n" : "\r";
}

std::string Codec::ToFile(std::string_view call) const {
  switch (encoding_) {
    case Encoding::kCodePage: return std::string(call);
    case Encoding::kUtf8: return cp_->ToUtf8(call);
    case Encoding::kUtf16Le: break;
  }
  return ValidUtf8(cp_->ToUtf8(call));
}

std::string Codec::ToCall(std::string_view file) const {
  if (encoding_ == Encoding::kCodePage) return std::string(file);
  return cp_->FromUtf8(file);
}

std::string Codec::FileNameKey(std::string_view file) const {
  if (encoding_ == Encoding::kCodePage && !cp_->IsUtf8()) return FoldName(cp_->ToUtf8(file));
  return FoldName(file);
}

std::string Codec::CallNameKey(std::string_view call) const {
  call = TrimBlanks(call);
  // ASCII is the same text in every code page and in UTF-8, and folds by
  // itself: the usual name needs no conversion.
  unsigned char seen = 0;
  for (const char c : call) seen |= static_cast<unsigned char>(c);
  if (seen < 0x80) {
    std::string key(call);
    for (char& c : key)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    return key;
  }
  return FileNameKey(ToFile(call));
}

namespace {

// Whether a name in a file's text has the compared form `key`.
bool NameMatches(const Codec& codec, std::string_view file, std::string_view key) {
  if (codec.encoding() == Encoding::kCodePage && !codec.codePage().IsUtf8()) return codec.FileNameKey(file) == key;
  return FoldsTo(file, key);
}

std::size_t Offset(std::string_view body, std::string_view part) {
  return static_cast<std::size_t>(part.data() - body.data());
}

}  // namespace

Table::Table(Text text, const CodePage& cp) : text_(std::move(text)), codec_(text_.encoding, cp) {
  const std::string_view body = text_.body;
  LineReader reader(body);
  Line line;
  Section* current = nullptr;
  while (reader.Next(line)) {
    if (line.kind == Line::Kind::kSection) {
      auto [it, added] = sections_.try_emplace(codec_.FileNameKey(line.name));
      current = added ? &it->second : nullptr;  // only the first section of a name counts
      if (current) {
        current->nameBegin = Offset(body, line.name);
        current->nameSize = line.name.size();
      }
    } else if (line.kind == Line::Kind::kKey && line.equals != std::string_view::npos && current) {
      // A line without "=" is no key for a read (its name gives the default).
      current->keys.try_emplace(codec_.FileNameKey(line.name), Entry{Offset(body, line.name), line.name.size(),
                                                                     Offset(body, line.value), line.value.size()});
    }
  }
}

bool Table::Find(std::string_view section, std::string_view key, std::string& value) const {
  const auto s = sections_.find(codec_.CallNameKey(section));
  if (s == sections_.end()) return false;
  const auto k = s->second.keys.find(codec_.CallNameKey(key));
  if (k == s->second.keys.end()) return false;
  const std::string_view raw = std::string_view(text_.body).substr(k->second.valueBegin, k->second.valueSize);
  if (codec_.encoding() == Encoding::kCodePage) {
    value.assign(raw);  // keeps the caller's storage
  } else {
    value = codec_.ToCall(raw);
  }
  return true;
}

void Table::ForEach(
    const std::function<void(std::string_view section, std::string_view key, std::string_view value)>& f) const {
  const std::string_view body = text_.body;
  for (const auto& [sectionKey, s] : sections_)
    for (const auto& [key, e] : s.keys)
      f(body.substr(s.nameBegin, s.nameSize), body.substr(e.nameBegin, e.nameSize),
        body.substr(e.valueBegin, e.valueSize));
}

std::size_t Table::KeyCount() const {
  std::size_t n = 0;
  for (const auto& [sectionKey, s] : sections_) n += s.keys.size();
  return n;
}

bool CanStore(std::string_view section, std::string_view key, std::string_view value) {
  constexpr std::string_view kBreaks = "\r\n";
  if (section.find_first_of(kBreaks) != std::string_view::npos ||
      key.find_first_of(kBreaks) != std::string_view::npos || value.find_first_of(kBreaks) != std::string_view::npos)
    return false;
  const std::string_view k = TrimBlanks(key);
  if (k.find('=') != std::string_view::npos) return false;
  return k.empty() || (k.front() != ';' && k.front() != '[');
}

Edit SetValue(Text& text, const CodePage& cp, std::string_view section, std::string_view key, std::string_view value) {
  if (!CanStore(section, key, value)) return Edit::kRejected;
  const Codec codec(text.encoding, cp);
  const std::string sectionKey = codec.CallNameKey(section);
  const std::string keyKey = codec.CallNameKey(key);
  const std::string fileValue = codec.ToFile(value);

  const std::string_view body = text.body;
  LineReader reader(body);
  Line line;
  bool inSection = false;
  std::size_t insertAt = std::string_view::npos;  // end of the section's line or of its last key line
  while (reader.Next(line)) {
    if (line.kind == Line::Kind::kSection) {
      if (inSection) break;  // the end of the first section of the name
      if (NameMatches(codec, line.name, sectionKey)) {
        inSection = true;
        insertAt = line.end;
      }
      continue;
    }
    if (!inSection || line.kind != Line::Kind::kKey) continue;
    insertAt = line.end;
    if (!NameMatches(codec, line.name, keyKey)) continue;

    // The key's own line: its value is replaced, everything before it stays.
    std::size_t from = line.end;
    std::string replacement;
    if (line.equals == std::string_view::npos) {
      replacement = "=" + fileValue;
    } else {
      // The blanks after "=" stay, unless the new value brings its own.
      from = line.equals + 1;
      if (fileValue.empty() || !IsBlank(fileValue.front()))
        while (from < line.end && IsBlank(body[from])) ++from;
      replacement = fileValue;
    }
    if (body.substr(from, line.end - from) == replacement) return Edit::kUnchanged;
    text.body.replace(from, line.end - from, replacement);
    return Edit::kChanged;
  }

  const std::string_view eol = LineEndOf(body);
  std::string keyLine = codec.ToFile(TrimBlanks(key));
  keyLine += '=';
  keyLine += fileValue;
  if (inSection) {
    std::string added(eol);
    added += keyLine;
    text.body.insert(insertAt, added);
    return Edit::kChanged;
  }
  std::string added;
  if (!body.empty() && body.back() != '\n' && body.back() != '\r') added += eol;
  added += '[';
  added += codec.ToFile(TrimBlanks(section));
  added += ']';
  added += eol;
  added += keyLine;
  added += eol;
  text.body += added;
  return Edit::kChanged;
}

}  // namespace kor::platform::ini
