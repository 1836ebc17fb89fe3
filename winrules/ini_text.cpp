// INI text: decoding, the line rules, the lookup table and the editor.
#include "winrules/ini_text.h"

#include <utility>

#include "frame/text.h"

namespace kor::platform::ini {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

unsigned char Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

// The uppercase form of one code point, appended.
void AppendFolded(std::string& out, std::string_view s, std::size_t& i) {
  const unsigned char b = Byte(s, i);
  if (b < 0x80) {
    out += static_cast<char>(b >= 'a' && b <= 'z' ? b - 32 : b);
    ++i;
    return;
  }
  if (const auto c = text::DecodeUtf8(s, i)) {
    text::AppendUtf8(out, UpperCase(*c));
  } else {
    out += static_cast<char>(b);
    ++i;
  }
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
    text::AppendUtf8FromUtf16Le(t.body, units, text::Policy::kKeepSurrogates);
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
  text::AppendUtf16Le(out, text.body, text::Policy::kKeepSurrogates);
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
  std::string_view content;
  if (!lines_.Next(content)) return false;
  line.begin = static_cast<std::size_t>(content.data() - body_.data());
  line.end = line.begin + content.size();
  line.next = lines_.Position();
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
  return text::ValidUtf8(cp_->ToUtf8(call));
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
  if (text::IsAscii(call)) {
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
