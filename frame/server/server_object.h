// An object of one of the library's classes as the server hands it out: its
// default interface is dual, so a client may call a member through the
// interface's virtual table (slot by slot, as the type library lays it out)
// or late-bound through IDispatch::Invoke; both end in the library's
// dispatcher, and both report errors through IErrorInfo.
#pragma once

#include <ole2.h>

#include "kortools/typeinfo.h"

namespace kor::server {

// A new object of `cls`, as the interface `iid` asks (E_NOINTERFACE when it
// has none such).
HRESULT CreateServerObject(const ClassInfo& cls, REFIID iid, void** object);

}  // namespace kor::server
