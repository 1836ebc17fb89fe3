// The type information an object hands out through IDispatch::GetTypeInfo:
// its interface's, under the name of its class. A script host names an
// object by that type information (TypeName gives "korParse", not the
// interface's "_korParse"); everything else is the interface's own.
#pragma once

#include <oaidl.h>

#include <string>

namespace kor::server {

// A new reference to `interfaceInfo` answering `className` for its own name;
// null when out of memory.
ITypeInfo* ClassNamedTypeInfo(ITypeInfo* interfaceInfo, const std::wstring& className);

}  // namespace kor::server
