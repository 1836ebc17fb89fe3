// `kortools path --to-posix NAME...` and `kortools path --to-windows NAME...`:
// converts between Windows and POSIX names for shell scripts.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kor::host {

// Converts each name and prints one line per name on `out`, in order. A name
// that cannot be converted prints an empty line there (so that line N still
// answers name N) and "kortools path: NAME: error N: description" on `err`;
// the exit status is then 1, otherwise 0. No names at all is a usage error
// (status 2).
int RunPathCommand(const std::vector<std::string>& names, bool toPosix, std::ostream& out, std::ostream& err);

}  // namespace kor::host
