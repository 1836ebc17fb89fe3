// korParse: the N-th field of a line, and search and replace.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "frame/checked.h"
#include "kortools/korParse.h"
#include "parse/forward_search.h"

namespace kor {

using parse::ForwardSearch;

String korParse::ParseString(String& i_Line2Parse, String i_ValueDelimiter, Long i_IndexOfValue) {
  const std::u16string_view line = i_Line2Parse;
  const std::u16string_view delimiter = i_ValueDelimiter;
  if (line.empty() || line == delimiter) return String();

  // Fields are counted from 0 and compared with the index less one, which
  // overflows for the smallest Long.
  const Long wanted = checked::Sub<Long>(i_IndexOfValue, 1);

  // An empty delimiter divides nothing: the whole line is the one field, as
  // for a line that does not contain the delimiter.
  if (delimiter.empty()) return String(line);

  // 1-based positions, wide enough that Len(line) + Len(delimiter) cannot
  // overflow.
  using Pos = std::int64_t;
  const Pos len = static_cast<Pos>(line.size());
  const Pos d = static_cast<Pos>(delimiter.size());
  // Every search starts past the delimiter found before it.
  return parse::WithForwardSearch(line, delimiter, [&](auto&& find) {
    // The delimiter at or after `from`, or Len(line) + 1 when none is left.
    auto next = [&](Pos from) {
      const std::size_t p = find(static_cast<std::size_t>(from - 1));
      return p == ForwardSearch::npos ? len + 1 : static_cast<Pos>(p) + 1;
    };
    // The field [start, end); empty when it would end before it starts.
    auto field = [&](Pos start, Pos end) {
      return end - start < 1
                 ? String()
                 : String(line.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(end - start)));
    };

    Pos start = 1;     // first position of the field being delimited
    Pos last = 1 - d;  // the delimiter that ended the previous field
    std::int64_t count = 0;
    if (d == 1) {
      // Every field before the wanted one ends at a delimiter that follows a
      // unit other than the delimiter: counting those delimiters lands where
      // the steps below would be after the last of those fields.
      const std::int64_t first = line[0] == delimiter[0] ? -1 : 0;
      std::size_t at = 0;
      const std::int64_t ends =
          wanted > first ? parse::CountFieldEnds(line, delimiter[0], static_cast<std::int64_t>(wanted) - first, at) : 0;
      if (ends > 0) {
        last = static_cast<Pos>(at) + 1;
        start = last + 1;
        count = first + ends;
      }
    }
    for (;;) {
      Pos end = next(start);
      if (end == 1) count = -1;  // a leading delimiter numbers the fields from 0
      // Consecutive delimiters: skip the empty fields between them.
      while (last <= len && end == last + d) {
        start += d;
        last += d;
        end = next(start);
      }
      last = end;
      if (count == wanted) return field(start, end);
      const Pos fieldStart = start;
      start = end + d;
      ++count;
      if (start > len) return field(fieldStart, end);  // past the last field: the last one delimited
    }
  });
}

Variant korParse::SandR(String i_Text2ReplaceOn, String& i_Text2BeReplaced, String& i_ReplacingText) {
  const std::u16string_view search = i_Text2BeReplaced;
  const std::u16string_view replacing = i_ReplacingText;
  // An empty search text occurs nowhere: the text comes back unchanged.
  if (search.empty()) return Variant(std::move(i_Text2ReplaceOn));

  // Occurrences are replaced from left to right without overlapping, and the
  // scan goes on after each occurrence in the original text, so the inserted
  // text is never searched again.
  String& text = i_Text2ReplaceOn;
  const std::size_t m = search.size();
  using Units = std::char_traits<char16_t>;
  if (replacing.size() <= m) {
    // The result is never longer than the text: it is written over the text
    // the method owns, behind the search, which only reads from the end of
    // the last occurrence on. No memory is asked for.
    char16_t* const units = text.data();
    const std::size_t n = text.size();
    std::size_t written = 0, copied = 0;
    parse::WithForwardSearch(std::u16string_view(units, n), search, [&](auto&& find) {
      for (std::size_t p = find(0); p != ForwardSearch::npos; p = find(copied)) {
        if (written != copied) Units::move(units + written, units + copied, p - copied);
        written += p - copied;
        Units::copy(units + written, replacing.data(), replacing.size());
        written += replacing.size();
        copied = p + m;
      }
    });
    if (written == copied) return Variant(std::move(text));  // nothing removed
    Units::move(units + written, units + copied, n - copied);
    text.resize(written + (n - copied));
    // A result that lost more than half of the text does not keep its room.
    if (text.size() < text.capacity() / 2) text.shrink_to_fit();
    return Variant(std::move(text));
  }

  // A longer result: the occurrences are counted first, and the result is
  // asked for once, at its final size.
  const std::u16string_view view = text;
  std::size_t hits = 0;
  parse::WithForwardSearch(view, search, [&](auto&& find) {
    for (std::size_t p = find(0); p != ForwardSearch::npos; p = find(p + m)) ++hits;
  });
  if (hits == 0) return Variant(std::move(text));
  String out;
  out.reserve(view.size() + hits * (replacing.size() - m));
  std::size_t copied = 0;
  parse::WithForwardSearch(view, search, [&](auto&& find) {
    for (std::size_t p = find(0); p != ForwardSearch::npos; p = find(copied)) {
      out.append(view.substr(copied, p - copied));
      out.append(replacing);
      copied = p + m;
    }
  });
  out.append(view.substr(copied));
  return Variant(std::move(out));
}

}  // namespace kor
