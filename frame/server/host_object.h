// A client's automation object handed to the library. One that has all of
// Left, Top, Width, Height, WindowState, BorderStyle and Move is a host window,
// asked through IDispatch as a late-bound caller would; any other object is
// only held (a window parameter refuses it with error 13 "Type mismatch").
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
