// INI text as the profile-file operations read and edit it: bytes in, bytes
// out, no file system. The rules of the dialect live here so that they can be
// tested and fuzzed on their own; platform/posix/profile_files.cpp adds files,
// locking and the cache.
//
//   ini::Text text = ini::Decode(fileBytes);
//   ini::Table table(text, cp);
//   std::string value;
//   if (table.Find("Window", "Left", value)) ...
//   if (ini::SetValue(text, cp, "Window", "Left", "12") == ini::Edit::kChanged)
//     Store(ini::Encode(text));
//
// The dialect (docs/ini-dialect.md says the same for users):
// - CR, LF and CR LF each end a line.
// - A line whose first non-blank character is ";" is a comment. A ";" later in
//   a line is ordinary text.
// - A line whose first non-blank character is "[" and that holds a "]" starts
//   a section; its name is the text between the "[" and the line's last "]",
//   without blanks around it. Text after that "]" is ignored.
// - Any other line that is not blank is a key line: the key's name is the text
//   before the first "=", the value the text after it. A key line without "="
//   is no key for a read (it reads as missing); a write of its name gives it
//   "=" and the value.
// - Blanks are spaces and tabs; those around names and values are ignored. A
//   value that then begins and ends with the same quote, double or single
//   (and is at least two characters long), is read without the two quotes.
// - Section and key names are compared ignoring letter case (Unicode simple
//   uppercase, independent of the user's locale).
// - Only the first section of a name counts: keys in a later section of the
//   same name are not seen. Within it the first key of a name wins. Key lines
//   before the first section belong to no section.
// - A file that starts with the UTF-8 byte-order mark is UTF-8, one that starts
//   with FF FE is UTF-16LE; any other file is in the code page of the calls.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "frame/text.h"
#include "platform/code_page.h"

namespace kor::platform::ini {

enum class Encoding { kCodePage, kUtf8, kUtf16Le };

// A file's content in the form the reader and the editor work on.
struct Text {
  Encoding encoding = Encoding::kCodePage;
  // The content after the byte-order mark. A UTF-16LE file's code units are
  // held as UTF-8, an unpaired surrogate in its three-byte form, so that
  // Encode gives back every byte.
  std::string body;
  std::string trailing;  // the odd last byte of a UTF-16LE file, if any
};

// Splits off the byte-order mark and decodes UTF-16LE. Encode(Decode(b)) == b
// for any bytes b.
Text Decode(std::string_view file);
std::string Encode(const Text& text);

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
std::string_view TrimBlanks(std::string_view s);

// A value's text as it is read: blanks around it dropped, then one pair of
// enclosing quotes, double or single.
std::string_view ValueAsRead(std::string_view raw);

// The form in which names are compared: UTF-8 in Unicode simple uppercase.
// Bytes that are not valid UTF-8 stay as they are.
std::string FoldName(std::string_view utf8);

// One line of a body.
struct Line {
  enum class Kind { kBlank, kComment, kSection, kKey };
  Kind kind = Kind::kBlank;
  std::size_t begin = 0;                        // first byte of the line
  std::size_t end = 0;                          // end of its content, where its line end starts
  std::size_t next = 0;                         // first byte after its line end
  std::string_view name;                        // kSection, kKey: the name without blanks around it
  std::size_t equals = std::string_view::npos;  // kKey: offset of the first "=", npos when none
  std::string_view value;                       // kKey: the value as read
};

// The lines of a body, one after another.
class LineReader {
 public:
  explicit LineReader(std::string_view body) : body_(body), lines_(body) {}
  bool Next(Line& line);

 private:
  std::string_view body_;
  text::LineReader lines_;
};

// The line end of a body's first line ("\r\n", "\n" or "\r"); "\r\n" when the
// body has none.
std::string_view LineEndOf(std::string_view body);

// Conversions between the text of the calls (in the code page) and the text
// of one file.
class Codec {
 public:
  Codec(Encoding encoding, const CodePage& cp) : encoding_(encoding), cp_(&cp) {}

  // Call text to the file's text. For a UTF-16LE file, bytes that are not
  // valid UTF-8 become U+FFFD (as they will be in the file).
  std::string ToFile(std::string_view call) const;
  // The file's text to call text.
  std::string ToCall(std::string_view file) const;
  // The compared form of a name in the file's text / in call text.
  std::string FileNameKey(std::string_view file) const;
  std::string CallNameKey(std::string_view call) const;

  Encoding encoding() const { return encoding_; }
  const CodePage& codePage() const { return *cp_; }

 private:
  Encoding encoding_;
  const CodePage* cp_;
};

// A parsed file for reading: every key of every section, found by name.
class Table {
 public:
  Table(Text text, const CodePage& cp);

  // The key's value in call text; false when the section or the key is
  // missing (a line without "=" is no key).
  bool Find(std::string_view section, std::string_view key, std::string& value) const;

  // Every key that Find can see, in no particular order, names and values in
  // the file's text.
  void ForEach(
      const std::function<void(std::string_view section, std::string_view key, std::string_view value)>& f) const;

  const CodePage& codePage() const { return codec_.codePage(); }
  std::size_t KeyCount() const;

 private:
  struct Entry {
    std::size_t nameBegin, nameSize, valueBegin, valueSize;
  };
  struct Section {
    std::size_t nameBegin, nameSize;
    std::unordered_map<std::string, Entry> keys;
  };

  Text text_;
  Codec codec_;
  std::unordered_map<std::string, Section> sections_;
};

enum class Edit {
  kChanged,    // the text was changed
  kUnchanged,  // the key already had exactly this value text
  kRejected,   // the names or the value cannot be stored (see CanStore)
};

// Whether a write of these names and value can be stored so that it reads
// back: none of the three may hold a CR or LF, and the key's name may hold no
// "=" and may not begin with ";" or "[" (blanks aside), or it would read as
// another key, a comment or a section.
bool CanStore(std::string_view section, std::string_view key, std::string_view value);

// Sets the key's value (all three in call text) the way the profile write
// does. The key's line becomes its text up to and including "=" and the blanks
// after it (unless the value begins with a blank), then the value, as given;
// a line without "=" gets "=" and the value. Writing the same value again
// changes nothing. A missing key is added as "key=value" after the last key line of the
// first section of that name (right after the section's line when it has
// none); a missing section is added at the end as "[section]" and the key's
// line. New lines use the line end of the file's first line, CR LF when it has
// none, and names without the blanks around them. Every other byte stays.
Edit SetValue(Text& text, const CodePage& cp, std::string_view section, std::string_view key, std::string_view value);

}  // namespace kor::platform::ini
