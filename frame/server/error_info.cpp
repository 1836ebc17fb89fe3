#include "frame/server/error_info.h"

#include <oleauto.h>

#include "frame/server/com_values.h"

namespace kor::server {

HRESULT StatusOf(std::int32_t number) {
  if (number >= 0 && number <= 0xFFFF) return static_cast<HRESULT>(0x800A0000U | static_cast<std::uint32_t>(number));
  return static_cast<HRESULT>(number);
}

std::int32_t NumberOf(HRESULT status) {
  const auto bits = static_cast<std::uint32_t>(status);
  if ((bits & 0xFFFF0000U) == 0x800A0000U) return static_cast<std::int32_t>(bits & 0xFFFFU);
  switch (status) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME: return 438;
    case DISP_E_TYPEMISMATCH: return 13;
    case DISP_E_OVERFLOW: return 6;
    case DISP_E_BADPARAMCOUNT: return 450;
    case DISP_E_PARAMNOTOPTIONAL: return 449;
    case E_OUTOFMEMORY: return 7;
    default: return static_cast<std::int32_t>(status);
  }
}

HRESULT RaiseErrorInfo(const Error& error, REFIID iid) {
  ICreateErrorInfo* create = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&create))) {
    create->SetGUID(iid);
    BSTR text = ToBstr(error.Description());
    create->SetDescription(text);
    SysFreeString(text);
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
      SetErrorInfo(0, info);
      info->Release();
    }
    create->Release();
  }
  return StatusOf(error.Number());
}

HRESULT RaiseException(const Error& error, REFIID iid, EXCEPINFO* info) {
  const HRESULT status = RaiseErrorInfo(error, iid);
  if (info) {
    *info = EXCEPINFO{};
    info->scode = status;
    info->bstrDescription = ToBstr(error.Description());
  }
  return DISP_E_EXCEPTION;
}

Error ErrorOf(HRESULT status, const EXCEPINFO& info) {
  const HRESULT code = status == DISP_E_EXCEPTION && info.scode != 0 ? info.scode : status;
  const std::int32_t number = status == DISP_E_EXCEPTION && info.scode == 0 ? info.wCode : NumberOf(code);
  if (status == DISP_E_EXCEPTION && info.bstrDescription) return Error(number, FromBstr(info.bstrDescription));
  return number >= 0 && number <= 0xFFFF ? Error::Runtime(number) : Error(number, RuntimeErrorText(number));
}

}  // namespace kor::server
