// korParse: the two tokenisers, SmartParse and ParseTokenArray.
#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "frame/defaults.h"
#include "frame/message.h"
#include "kortools/error.h"
#include "kortools/korParse.h"
#include "parse/forward_search.h"

namespace kor {
namespace {

using parse::ForwardSearch;
using Pos = std::int64_t;  // 1-based position; wide enough for any sum below

// The most values SmartParse stores; one more is a subscript error.
constexpr Pos kMaxValues = 10000;

// InStr(start, line followed by pattern, pattern): the search SmartParse makes
// for its delimiter and its encapsulator. The joined text is built once per
// call and the searches of the main scan move forward only. An empty pattern
// stands for a one-unit text that the line does not contain, so it is found
// only in the appended copy, at Len(line) + 1.
class AppendedSearch {
 public:
  AppendedSearch(std::u16string_view line, std::u16string_view pattern)
      : lineLength_(static_cast<Pos>(line.size())), pattern_(pattern) {
    if (pattern_.empty()) return;
    joined_.reserve(line.size() + pattern.size());
    joined_.append(line).append(pattern);
    Restart();
  }

  Pos Width() const { return pattern_.empty() ? 1 : static_cast<Pos>(pattern_.size()); }

  // The next search of the forward scan; 0 when there is none.
  Pos At(Pos start) { return pattern_.empty() ? WithoutPattern(start) : Search(*scan_, start); }

  // A search outside the forward scan, from any start.
  Pos Once(Pos start) {
    if (pattern_.empty()) return WithoutPattern(start);
    ForwardSearch one(joined_, pattern_);
    return Search(one, start);
  }

  // Starts the forward scan again from the beginning of the text.
  void Restart() {
    if (!pattern_.empty()) scan_.emplace(joined_, pattern_);
  }

 private:
  // The empty pattern's search: it has no forward scan to use.
  Pos WithoutPattern(Pos start) const {
    if (start < 1) throw Error::Runtime(5);
    return start <= lineLength_ + 1 ? lineLength_ + 1 : 0;
  }

  Pos Search(ForwardSearch& search, Pos start) {
    if (start < 1) throw Error::Runtime(5);
    const std::size_t p = search.From(static_cast<std::size_t>(start - 1));
    return p == ForwardSearch::npos ? 0 : static_cast<Pos>(p) + 1;
  }

  Pos lineLength_;
  std::u16string_view pattern_;
  String joined_;
  std::optional<ForwardSearch> scan_;
};

// The SmartParse error handler: report the line, return the negated number.
Integer ParseFailed(std::int32_t number, const String& delimiter, const String& line) {
  RequestMessage(u"Error in parsing line" + String(u":") + delimiter + u" ; " + line);
  return static_cast<Integer>(-number);
}

// Spaces only, not other white space.
std::u16string_view TrimSpaces(std::u16string_view s) {
  const std::size_t first = s.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(u' ') - first + 1);
}

// Makes an array that begins above index 1 begin at 0, every element keeping
// its index, so that the tokens from index 1 on have a place. When there is
// no room for that the array stays as it was.
void LowerToZero(StringArray& a) {
  if (a.Dims() == 1 && a.size() != 0 && a.LBound() > 1) a.LowerBoundTo(0);
}

// Room for one more token at index u; the elements already there are kept.
// An array without elements takes the bounds 0 to u; one with two dimensions
// cannot grow (error 9), and the caller goes on without it.
void GrowTo(StringArray& a, Long u) {
  if (a.Dims() == 1 && a.size() == 0) {
    a.ReDim(0, u);
  } else if (a.Dims() == 1) {
    a.ReDimPreserve(a.LBound(), u);
  } else {
    a.ReDimPreserve(0, u);
  }
}

// Runs one step of ParseTokenArray, which goes on past any error it raises;
// out of memory is not such an error and reaches the caller.
template <typename F>
void IgnoringErrors(F&& step) {
  try {
    step();
  } catch (const Error&) {
  }
}

}  // namespace

Integer korParse::SmartParse(String& i_Line2Parse, StringArray& o_Values, String* i_Delimiter,
                             String* i_ValuesEncapsulator) {
  const String delimiter = defaults::ValueOr(i_Delimiter, defaults::kSmartParseDelimiter);
  const String encapsulator = defaults::ValueOr(i_ValuesEncapsulator, defaults::kSmartParseEncapsulator);
  const std::u16string_view line = i_Line2Parse;
  // Values 1 to n, gathered here and handed to o_Values at the end, so that
  // a short line costs no 10,001-element array.
  std::vector<String> values;
  // o_Values after an error: bounds 0 to 10000, the values stored so far
  // from 1 on. Without memory even for that the caller's array stays as it
  // was.
  const auto failed = [&](std::int32_t number) {
    try {
      o_Values.ReDim(0, static_cast<Long>(kMaxValues));
      std::move(values.begin(), values.end(), o_Values.Items().begin() + 1);
    } catch (const Error&) {
    }
    return ParseFailed(number, delimiter, i_Line2Parse);
  };
  try {
    AppendedSearch delimiters(line, delimiter);
    AppendedSearch quotes(line, encapsulator);
    const Pos len = static_cast<Pos>(line.size());
    const Pos d = delimiters.Width();
    const Pos e = quotes.Width();

    Pos n = 0;
    Pos delimPos = 1 - d;  // the delimiter that ends the current value
    Pos valueStart = 0;
    Pos valueEnd = 0;
    // An encapsulator that runs past the end of the line (a longer one whose
    // beginning ends the line) is not found in the line itself, and the scan
    // jumps back to just after position Len(encapsulator). From there it
    // runs the same way each time: the second jump repeats the values
    // stored since the first, over and over.
    std::optional<Pos> storedBeforeJump;

    while (valueStart <= len) {
      valueStart = delimPos + d;
      delimPos = delimiters.At(valueStart);
      const Pos quote = quotes.At(valueStart);
      if (quote < delimPos) {
        // An encapsulator comes before the next delimiter. The delimiter
        // after the value is searched from the value's own last character.
        if (quote + e - 1 <= len) {
          valueStart = quote + e;
          valueEnd = quotes.At(valueStart) - 1;
          delimPos = delimiters.At(valueEnd);
        } else if (!storedBeforeJump) {
          storedBeforeJump = n;
          valueStart = e;
          valueEnd = quotes.Once(valueStart) - 1;
          delimPos = delimiters.Once(valueEnd);
          delimiters.Restart();
          quotes.Restart();
        } else {
          const Pos period = n - *storedBeforeJump;
          if (period == 0) break;  // the scan would go round for ever without storing
          for (Pos i = *storedBeforeJump + 1;; ++i) {
            if (++n > kMaxValues) throw Error::Runtime(9);
            String again = values[static_cast<std::size_t>(i - 1)];
            values.push_back(std::move(again));
          }
        }
      } else {
        valueEnd = delimPos - 1;
      }
      if (valueEnd >= valueStart) {  // empty values are neither stored nor counted
        if (++n > kMaxValues) throw Error::Runtime(9);
        values.emplace_back(
            line.substr(static_cast<std::size_t>(valueStart - 1), static_cast<std::size_t>(valueEnd - valueStart + 1)));
      }
    }
    o_Values.ReDim(0, static_cast<Long>(n));
    std::move(values.begin(), values.end(), o_Values.Items().begin() + 1);
    return static_cast<Integer>(n);
  } catch (const Error& error) {
    return failed(error.Number());
  } catch (const std::bad_alloc&) {
    return failed(7);
  }
}

Integer korParse::ParseTokenArray(String i_String2Parse, Integer& i_ScanUntillTokenNumber, StringArray& o_TokenResults,
                                  Integer& o_NrOfTokensFound) {
  // The working string only ever loses characters at its front, so it is the
  // tail of the argument from `offset` on.
  const std::u16string_view text = i_String2Parse;
  const std::size_t size = text.size();
  // The tail holds more than spaces while it starts at or before this.
  const std::size_t lastNonSpace = text.find_last_not_of(u' ');

  Integer& count = o_NrOfTokensFound;  // the caller's variable, written as the scan goes
  count = 0;
  Long capacity = 0;  // stays 0 for an array without elements
  IgnoringErrors([&] {
    if (o_TokenResults.size() != 0) capacity = o_TokenResults.UBound();
  });

  std::size_t offset = 0;
  std::size_t consumed = 0;  // the units of the previous token, through its closing quote or space
  for (;;) {
    offset = std::min(offset + consumed, size);
    while (offset < size && text[offset] == u' ') ++offset;
    if (offset < size && text[offset] == u',') ++offset;  // one comma may separate tokens

    char16_t closing = u' ';
    if (offset < size && (text[offset] == u'\'' || text[offset] == u'"')) closing = text[offset++];
    const std::u16string_view rest = text.substr(offset);
    std::size_t end = rest.find(closing);
    if (end == std::u16string_view::npos) {
      if (closing != u' ') break;  // an opening quote without its closing one: the rest is dropped
      end = rest.size();           // the last token runs to the end
    }
    consumed = end + 1;

    if (count < 32767) ++count;  // the count stops at the Integer limit
    if (count > capacity) {
      capacity = count;  // one more, or as many as the tokens if the caller's array ends below 0
      IgnoringErrors([&] { GrowTo(o_TokenResults, capacity); });
    }
    IgnoringErrors([&] {
      LowerToZero(o_TokenResults);
      o_TokenResults(count) = String(TrimSpaces(rest.substr(0, end)));
    });

    if (count == i_ScanUntillTokenNumber) break;
    // The test looks at the text that still holds the token just stored, so
    // one more (empty) token follows the last one.
    if (lastNonSpace == std::u16string_view::npos || lastNonSpace < offset) break;
  }
  return 0;
}

}  // namespace kor
