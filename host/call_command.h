// `kortools call Class.Member [ARG ...]`: one call for a person at a shell.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kor::host {

// Calls the member of the class's global instance with the arguments given
// as text, prints the result and the by-reference outputs on `out`, and
// returns the exit status: 0, or 1 with "error N: description" on `err`.
int RunCall(const std::string& qualified, const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kor::host
