// `kortools describe [Name] [--json]`: the library's type information, read
// from kor::TypeLibrary().
#pragma once

#include <iosfwd>
#include <string>

namespace kor::host {

// Describes the whole type library, or one class (with the enumerations its
// members use) or one enumeration when `name` is not empty. Returns the exit
// status: 1, with a message on `err`, when there is no such name.
int Describe(const std::string& name, bool asJson, std::ostream& out, std::ostream& err);

}  // namespace kor::host
