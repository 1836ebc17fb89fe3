// A client's automation object handed to the library: a host window whose
// Left, Top, Width, Height, WindowState, BorderStyle and Move are asked of
// the object through IDispatch, by name, as a late-bound caller would.
#pragma once

#include <ole2.h>

#include "kortools/object.h"

namespace kor::server {

// The library's reference to `object` (null stays null); keeps it alive.
Object ObjectFromDispatch(IDispatch* object);

// The client's object behind a reference made by ObjectFromDispatch, with a
// reference added; null for anything else.
IDispatch* DispatchOf(const Object& object);

}  // namespace kor::server
