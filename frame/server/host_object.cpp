#include "frame/server/host_object.h"

#include <dispex.h>

#include <array>
#include <optional>
#include <string>

#include "frame/server/com_values.h"
#include "frame/server/error_info.h"
#include "kortools/error.h"

namespace kor::server {
namespace {

// What the library asks of a host window, in the order of Member below.
enum Member : std::size_t { kLeft, kTop, kWidth, kHeight, kWindowState, kBorderStyle, kMove, kMemberCount };
constexpr std::array<const wchar_t*, kMemberCount> kFormMembers{L"Left",        L"Top",         L"Width", L"Height",
                                                                L"WindowState", L"BorderStyle", L"Move"};
using MemberIds = std::array<DISPID, kMemberCount>;

// A member's dispatch id, if the object has one of that name. A script
// engine's object that answers names only through IDispatchEx (the class
// instances of some VBScript engines) is asked there, ignoring case as such a
// script does.
std::optional<DISPID> IdOf(IDispatch* object, const wchar_t* name) {
  DISPID id = 0;
  auto* names = const_cast<LPOLESTR>(name);
  if (SUCCEEDED(object->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id))) return id;
  IDispatchEx* ex = nullptr;
  if (SUCCEEDED(object->QueryInterface(__uuidof(IDispatchEx), reinterpret_cast<void**>(&ex)))) {
    BSTR text = SysAllocString(name);
    const HRESULT status = text ? ex->GetDispID(text, fdexNameCaseInsensitive, &id) : E_OUTOFMEMORY;
    SysFreeString(text);
    ex->Release();
    if (SUCCEEDED(status)) return id;
  }
  return std::nullopt;
}

// The client's object, kept alive while the library holds it.
class HeldDispatch {
 public:
  explicit HeldDispatch(IDispatch* object) : object_(object) { object_->AddRef(); }
  virtual ~HeldDispatch() { object_->Release(); }
  HeldDispatch(const HeldDispatch&) = delete;
  HeldDispatch& operator=(const HeldDispatch&) = delete;

  IDispatch* Dispatch() const { return object_; }

 private:
  IDispatch* object_;
};

// An object that lacks one of the window's members: it may be passed where
// any object goes, and a window parameter refuses it with error 13.
class DispatchObject final : public HostObject, public HeldDispatch {
 public:
  using HeldDispatch::HeldDispatch;
};

class DispatchWindow final : public HostWindow, public HeldDispatch {
 public:
  DispatchWindow(IDispatch* object, const MemberIds& ids) : HeldDispatch(object), ids_(ids) {}

  Single Left() const override { return ChangeType<Single>(Get(kLeft)); }
  Single Top() const override { return ChangeType<Single>(Get(kTop)); }
  Single Width() const override { return ChangeType<Single>(Get(kWidth)); }
  Single Height() const override { return ChangeType<Single>(Get(kHeight)); }
  Integer WindowState() const override { return ChangeType<Integer>(Get(kWindowState)); }
  Integer BorderStyle() const override { return ChangeType<Integer>(Get(kBorderStyle)); }

  void SetWindowState(Integer state) override {
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_I2;
    V_I2(&arg) = state;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    Call(kWindowState, DISPATCH_PROPERTYPUT, params, nullptr);
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
    Call(kMove, DISPATCH_METHOD, params, nullptr);
  }

 private:
  Variant Get(Member member) const {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    Call(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, none, &result);
    struct Clear {
      VARIANT& v;
      ~Clear() { VariantClear(&v); }
    } clear{result};
    return FromVariant(result);
  }

  void Call(Member member, WORD flags, DISPPARAMS& params, VARIANT* result) const {
    EXCEPINFO info{};
    const HRESULT status =
        Dispatch()->Invoke(ids_[member], IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, nullptr);
    if (SUCCEEDED(status)) return;
    if (status == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    Error error = ErrorOf(status, info);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    throw error;
  }

  MemberIds ids_;
};

}  // namespace

Object ObjectFromDispatch(IDispatch* object) {
  if (!object) return nullptr;
  // The names are asked once, up front: an object that lacks one is no
  // window, whatever else it offers.
  MemberIds ids{};
  for (std::size_t i = 0; i < kMemberCount; ++i) {
    const std::optional<DISPID> id = IdOf(object, kFormMembers[i]);
    if (!id) return std::make_shared<DispatchObject>(object);
    ids[i] = *id;
  }
  return std::make_shared<DispatchWindow>(object, ids);
}

IDispatch* DispatchOf(const Object& object) {
  auto* held = dynamic_cast<HeldDispatch*>(object.get());
  if (!held) return nullptr;
  held->Dispatch()->AddRef();
  return held->Dispatch();
}

}  // namespace kor::server
