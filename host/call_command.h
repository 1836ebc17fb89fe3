// `kortools call Class.Member [ARG ...]`: one call for a person at a shell.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace kor::host {

// Calls the member of the class's global instance with the arguments given
// as text, prints the result and the by-reference outputs on `out`, and
// returns the exit status: 0, or 1 with "error N: description" on `err`.
// An array of more than `maxArrayElements` elements (0: no limit) is error 7.
int RunCall(const std::string& qualified, const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            std::size_t maxArrayElements = 0);

}  // namespace kor::host
