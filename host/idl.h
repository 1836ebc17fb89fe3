// `kortools describe --idl`: the type library as IDL text for widl or MIDL,
// written from kor::TypeLibrary() so that the Windows server's type library
// and the Linux host always publish the same members.
#pragma once

#include <iosfwd>

namespace kor::host {

// Writes the whole type library: the five enumerations, the dual default
// interfaces with every member in slot order, the earlier identifiers of the
// file-management interface as hidden aliases, and the five classes. The
// output depends on nothing but the type information.
void WriteIdl(std::ostream& out);

}  // namespace kor::host
