// Fuzzes Windows wildcard matching: any bytes must be matched without a crash,
// and on ASCII names the matcher must agree with a plain dynamic-programming
// reference of the same rules (the pattern rewritten into the search's own
// forms, then matched by plain recursion).
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <string>
#include <vector>

#include "fuzz/fuzz_text.h"
#include "winrules/wildcard.h"

namespace {

using kor::fuzzing::Require;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The pattern in the search's own forms: "<" a "*" before ".", ">" a "?",
// '"' a "." before "*", "?" or the end; "*.*" is "*".
std::string Translate(const std::string& p) {
  if (p == "*.*") return "*";
  std::string t;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const char after = i + 1 < p.size() ? p[i + 1] : '\0';
    if (p[i] == '?')
      t += '>';
    else if (p[i] == '*')
      t += after == '.' ? '<' : '*';
    else if (p[i] == '.' && (after == '\0' || after == '*' || after == '?'))
      t += '"';
    else
      t += p[i];
  }
  return t;
}

// Plain recursion over pattern position i and name position j, remembered.
struct Reference {
  std::string p, n;
  std::size_t lastDot;
  std::vector<signed char> memo;

  Reference(const std::string& pattern, const std::string& name)
      : p(Translate(Upper(pattern))),
        n(Upper(name)),
        lastDot(n.rfind('.')),
        memo((p.size() + 1) * (n.size() + 1), -1) {}

  bool At(std::size_t i, std::size_t j) {
    signed char& m = memo[i * (n.size() + 1) + j];
    if (m < 0) m = Step(i, j) ? 1 : 0;
    return m == 1;
  }

  bool Step(std::size_t i, std::size_t j) {
    if (i == p.size()) return j == n.size();
    const bool end = j == n.size();
    switch (p[i]) {
      case '*': return At(i + 1, j) || (!end && At(i, j + 1));
      case '<': return At(i + 1, j) || (!end && !(n[j] == '.' && j == lastDot) && At(i, j + 1));
      case '>': return end || n[j] == '.' ? At(i + 1, j) : At(i + 1, j + 1);
      case '"': return end ? At(i + 1, j) : n[j] == '.' && At(i + 1, j + 1);
      default: return !end && n[j] == p[i] && At(i + 1, j + 1);
    }
  }
};

std::string ConsumeAscii(FuzzedDataProvider& in) {
  static constexpr char kAlphabet[] = {'*', '?', '.', 'a', 'A', 'b', '.', '*'};  // no '<', '>' or '"'
  std::string s;
  const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 24);
  for (std::size_t i = 0; i < n && in.remaining_bytes() > 0; ++i)
    s.push_back(kAlphabet[in.ConsumeIntegral<unsigned char>() % sizeof kAlphabet]);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  if (in.ConsumeBool()) {
    const std::string pattern = in.ConsumeRandomLengthString(256);
    const std::string name = in.ConsumeRandomLengthString(256);
    (void)kor::platform::WildcardMatch(pattern, name);
    if (!kor::platform::HasWildcards(pattern)) Require(kor::platform::WildcardMatch(pattern, pattern));
    return 0;
  }
  const std::string pattern = ConsumeAscii(in);
  std::string name = ConsumeAscii(in);
  for (char& c : name)
    if (c == '*' || c == '?') c = 'b';
  Require(kor::platform::WildcardMatch(pattern, name) == Reference(pattern, name).At(0, 0));
  return 0;
}
