// Fuzzes Windows wildcard matching: any bytes must be matched without a crash,
// and on ASCII names the matcher must agree with a plain dynamic-programming
// reference of the same rules.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <string>
#include <vector>

#include "fuzz/fuzz_text.h"
#include "platform/wildcard.h"

namespace {

using kor::fuzzing::Require;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// m[i][j]: the first i pattern characters match the first j name characters.
bool ReferenceMatch(const std::string& p, const std::string& n) {
  std::vector<std::vector<bool>> m(p.size() + 1, std::vector<bool>(n.size() + 1, false));
  m[0][0] = true;
  for (std::size_t i = 1; i <= p.size(); ++i) {
    for (std::size_t j = 0; j <= n.size(); ++j) {
      if (p[i - 1] == '*') {
        m[i][j] = m[i - 1][j] || (j > 0 && m[i][j - 1]);
      } else if (j > 0) {
        m[i][j] = m[i - 1][j - 1] && (p[i - 1] == '?' || p[i - 1] == n[j - 1]);
      }
    }
  }
  return m[p.size()][n.size()];
}

bool Reference(std::string p, std::string n) {
  p = Upper(p);
  n = Upper(n);
  if (ReferenceMatch(p, n)) return true;
  if (p.size() >= 2 && p.compare(p.size() - 2, 2, ".*") == 0) return ReferenceMatch(p.substr(0, p.size() - 2), n);
  if (!p.empty() && p.back() == '.' && n.find('.') == std::string::npos)
    return ReferenceMatch(p.substr(0, p.size() - 1), n);
  return false;
}

std::string ConsumeAscii(FuzzedDataProvider& in) {
  static constexpr char kAlphabet[] = {'*', '?', '.', 'a', 'A', 'b', '.', '*'};
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
  Require(kor::platform::WildcardMatch(pattern, name) == Reference(pattern, name));
  return 0;
}
