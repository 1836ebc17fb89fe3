// Errors across the automation boundary. A runtime error n travels as the
// status code 0x800A0000 + n (the control facility), which script engines
// turn back into error n; an object error 0x80040000 + n is its own status
// code.
//
//   catch (const kor::Error& e) {
//     return kor::server::RaiseErrorInfo(e, iid);   // the status code to return
//   }
#pragma once

#include <ole2.h>

#include "kortools/error.h"

namespace kor::server {

HRESULT StatusOf(std::int32_t number);
std::int32_t NumberOf(HRESULT status);

// Records the error for the calling thread (IErrorInfo, with the interface's
// identifier and the description, no source and no help reference) and
// returns its status code.
HRESULT RaiseErrorInfo(const Error& error, REFIID iid);

// Fills a client's EXCEPINFO (may be null) and returns DISP_E_EXCEPTION.
HRESULT RaiseException(const Error& error, REFIID iid, EXCEPINFO* info);

// The error a failed IDispatch call on a host object stands for.
Error ErrorOf(HRESULT status, const EXCEPINFO& info);

}  // namespace kor::server
