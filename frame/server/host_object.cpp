#include "frame/server/host_object.h"

#include <dispex.h>

#include <array>
#include <string>

#include "frame/server/com_values.h"
#include "frame/server/error_info.h"
#include "kortools/error.h"

namespace kor::server {
namespace {

class DispatchWindow final : public HostWindow {
 public:
  explicit DispatchWindow(IDispatch* object) : object_(object) { object_->AddRef(); }
  ~DispatchWindow() override { object_->Release(); }
  DispatchWindow(const DispatchWindow&) = delete;
  DispatchWindow& operator=(const DispatchWindow&) = delete;

  IDispatch* Dispatch() const { return object_; }

  Single Left() const override { return ChangeType<Single>(Get(L"Left")); }
  Single Top() const override { return ChangeType<Single>(Get(L"Top")); }
  Single Width() const override { return ChangeType<Single>(Get(L"Width")); }
  Single Height() const override { return ChangeType<Single>(Get(L"Height")); }
  Integer WindowState() const override { return ChangeType<Integer>(Get(L"WindowState")); }
  Integer BorderStyle() const override { return ChangeType<Integer>(Get(L"BorderStyle")); }

  void SetWindowState(Integer state) override {
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_I2;
    V_I2(&arg) = state;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    Call(L"WindowState", DISPATCH_PROPERTYPUT, params, nullptr);
  }

  void Move(Single left, std::optional<Single> top, std::optional<Single> width,
            std::optional<Single> height) override {
    // Arguments go last to first; the ones left out before a given one are
    // passed as missing, the trailing ones not at all.
    const std::array<std::optional<Single>, 4> given{left, top, width, height};
    UINT count = 4;
    while (count > 1 && !given[count - 1]) --count;
    std::array<VARIANT, 4> args{};
    for (UINT i = 0; i < count; ++i) {
      VARIANT& a = args[count - 1 - i];
      VariantInit(&a);
      if (given[i]) {
        V_VT(&a) = VT_R4;
        V_R4(&a) = *given[i];
      } else {
        V_VT(&a) = VT_ERROR;
        V_ERROR(&a) = DISP_E_PARAMNOTFOUND;
      }
    }
    DISPPARAMS params{args.data(), nullptr, count, 0};
    Call(L"Move", DISPATCH_METHOD, params, nullptr);
  }

 private:
  Variant Get(const wchar_t* name) const {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    Call(name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, none, &result);
    struct Clear {
      VARIANT& v;
      ~Clear() { VariantClear(&v); }
    } clear{result};
    return FromVariant(result);
  }

  void Call(const wchar_t* name, WORD flags, DISPPARAMS& params, VARIANT* result) const {
    const DISPID id = IdOf(name);
    EXCEPINFO info{};
    const HRESULT status = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, nullptr);
    if (SUCCEEDED(status)) return;
    if (status == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    Error error = ErrorOf(status, info);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    throw error;
  }

  // The member's dispatch id. A script engine's object that answers names
  // only through IDispatchEx (the class instances of some VBScript engines)
  // is asked there, ignoring case as such a script does.
  DISPID IdOf(const wchar_t* name) const {
    DISPID id = 0;
    auto* names = const_cast<LPOLESTR>(name);
    if (SUCCEEDED(object_->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id))) return id;
    IDispatchEx* ex = nullptr;
    if (SUCCEEDED(object_->QueryInterface(__uuidof(IDispatchEx), reinterpret_cast<void**>(&ex)))) {
      BSTR text = SysAllocString(name);
      const HRESULT status = text ? ex->GetDispID(text, fdexNameCaseInsensitive, &id) : E_OUTOFMEMORY;
      SysFreeString(text);
      ex->Release();
      if (SUCCEEDED(status)) return id;
    }
    throw Error::Runtime(438);
  }

  IDispatch* object_;
};

}  // namespace

Object ObjectFromDispatch(IDispatch* object) {
  if (!object) return nullptr;
  return std::make_shared<DispatchWindow>(object);
}

IDispatch* DispatchOf(const Object& object) {
  auto* window = dynamic_cast<DispatchWindow*>(object.get());
  if (!window) return nullptr;
  window->Dispatch()->AddRef();
  return window->Dispatch();
}

}  // namespace kor::server
