#include "frame/server/server_object.h"

#include <ocidl.h>
#include <oleauto.h>

#include <array>
#include <atomic>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "frame/server/class_named_type_info.h"
#include "frame/server/com_values.h"
#include "frame/server/error_info.h"
#include "frame/server/server_module.h"
#include "kortools/dispatch.h"
#include "kortools/error.h"

namespace kor::server {
namespace {

// A member's slot in the virtual table is a function of exactly the member's
// parameters plus its result pointer, each taken as a machine word: the
// parameters the library's members take by value are strings, Integers,
// Longs, Booleans and objects, each one word in both the x64 and the 32-bit
// calling conventions (by reference, everything is a pointer).
constexpr std::size_t kMaxMemberSlots = 32;
constexpr std::size_t kMaxArguments = 7;  // parameters plus the result

struct Interface {
  const void* const* vtable;
};

class ServerObject;

// A second interface of the same object: its IUnknown is the object's.
template <class Base>
class SecondInterface : public Base {
 public:
  explicit SecondInterface(ServerObject* owner) : owner_(owner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

 protected:
  ServerObject* owner_;
};

class ErrorInfoSupport final : public SecondInterface<ISupportErrorInfo> {
 public:
  using SecondInterface::SecondInterface;
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;
};

// The object's class, which a script host asks to name the object (its
// TypeName is the class's name, not the interface's).
class ClassInfoProvider final : public SecondInterface<IProvideClassInfo> {
 public:
  using SecondInterface::SecondInterface;
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
};

class ServerObject : public Interface {
 public:
  ServerObject(const ClassInfo& cls, AutomationObject object);

  static ServerObject* From(Interface* self) { return static_cast<ServerObject*>(self); }

  HRESULT QueryInterface(REFIID iid, void** out);
  ULONG AddRef() { return ++refs_; }
  ULONG Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  bool IsOwnInterface(REFIID iid) const;

  HRESULT GetTypeInfo(UINT index, ITypeInfo** info);
  HRESULT GetClassTypeInfo(ITypeInfo** info);
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids);
  HRESULT Invoke(DISPID id, REFIID iid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                 UINT* argumentError);
  HRESULT CallSlot(std::size_t slot, void* const* raw);

 private:
  const MemberInfo* MemberFor(DISPID id, WORD flags) const;

  std::atomic<ULONG> refs_{1};
  const ClassInfo& class_;
  const IID& iid_;
  AutomationObject object_;
  ErrorInfoSupport support_{this};
  ClassInfoProvider classInfo_{this};
};

// --- the virtual table ------------------------------------------------------

HRESULT STDMETHODCALLTYPE QueryInterfaceSlot(Interface* self, REFIID iid, void** out) {
  return ServerObject::From(self)->QueryInterface(iid, out);
}
ULONG STDMETHODCALLTYPE AddRefSlot(Interface* self) { return ServerObject::From(self)->AddRef(); }
ULONG STDMETHODCALLTYPE ReleaseSlot(Interface* self) { return ServerObject::From(self)->Release(); }
HRESULT STDMETHODCALLTYPE GetTypeInfoCountSlot(Interface*, UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE GetTypeInfoSlot(Interface* self, UINT index, LCID, ITypeInfo** info) {
  return ServerObject::From(self)->GetTypeInfo(index, info);
}
HRESULT STDMETHODCALLTYPE GetIDsOfNamesSlot(Interface* self, REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return ServerObject::From(self)->GetIDsOfNames(names, count, ids);
}
HRESULT STDMETHODCALLTYPE InvokeSlot(Interface* self, DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  return ServerObject::From(self)->Invoke(id, iid, flags, params, result, exception, argumentError);
}

template <std::size_t>
using Word = void*;

template <std::size_t Slot, std::size_t... Words>
HRESULT STDMETHODCALLTYPE MemberSlot(Interface* self, Word<Words>... words) {
  void* const raw[kMaxArguments + 1] = {words...};
  return ServerObject::From(self)->CallSlot(Slot, raw);
}

template <std::size_t Slot, std::size_t... Words>
const void* SlotFunction(std::index_sequence<Words...>) {
  return reinterpret_cast<const void*>(&MemberSlot<Slot, Words...>);
}

// For each slot, its function for every number of arguments.
using SlotsByCount = std::array<const void*, kMaxArguments + 1>;
template <std::size_t Slot, std::size_t... Counts>
SlotsByCount SlotFunctions(std::index_sequence<Counts...>) {
  return {SlotFunction<Slot>(std::make_index_sequence<Counts>{})...};
}
template <std::size_t... Slots>
std::array<SlotsByCount, sizeof...(Slots)> MemberSlots(std::index_sequence<Slots...>) {
  return {SlotFunctions<Slots>(std::make_index_sequence<kMaxArguments + 1>{})...};
}

std::size_t ArgumentCount(const MemberInfo& member) {
  return member.params.size() + (member.result.kind == TypeKind::Void ? 0 : 1);
}

// One table per class: the seven slots of IDispatch, then one per member.
const void* const* VirtualTable(const ClassInfo& cls) {
  static const auto tables = [] {
    static const auto members = MemberSlots(std::make_index_sequence<kMaxMemberSlots>{});
    std::vector<std::vector<const void*>> all;
    for (const ClassInfo& c : kor::TypeLibrary().classes) {
      std::vector<const void*> table{
          reinterpret_cast<const void*>(&QueryInterfaceSlot), reinterpret_cast<const void*>(&AddRefSlot),
          reinterpret_cast<const void*>(&ReleaseSlot),        reinterpret_cast<const void*>(&GetTypeInfoCountSlot),
          reinterpret_cast<const void*>(&GetTypeInfoSlot),    reinterpret_cast<const void*>(&GetIDsOfNamesSlot),
          reinterpret_cast<const void*>(&InvokeSlot)};
      for (std::size_t slot = 0; slot < c.iface.members.size() && slot < members.size(); ++slot) {
        const std::size_t count = ArgumentCount(c.iface.members[slot]);
        table.push_back(count <= kMaxArguments ? members[slot][count] : nullptr);
      }
      all.push_back(std::move(table));
    }
    return all;
  }();
  return tables[static_cast<std::size_t>(&cls - kor::TypeLibrary().classes.data())].data();
}

// --- the object ---------------------------------------------------------------

ServerObject::ServerObject(const ClassInfo& cls, AutomationObject object)
    : Interface{VirtualTable(cls)}, class_(cls), iid_(InterfaceId(cls)), object_(std::move(object)) {}

bool ServerObject::IsOwnInterface(REFIID iid) const {
  if (IsEqualIID(iid, iid_)) return true;
  if (class_.name != "korFileMan") return false;
  for (const IID& alias : FileManAliases()) {
    if (IsEqualIID(iid, alias)) return true;
  }
  return false;
}

HRESULT ServerObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsOwnInterface(iid)) {
    *out = static_cast<Interface*>(this);
  } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
    *out = static_cast<ISupportErrorInfo*>(&support_);
  } else if (IsEqualIID(iid, IID_IProvideClassInfo)) {
    *out = static_cast<IProvideClassInfo*>(&classInfo_);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  HRESULT status = S_OK;
  ITypeLib* library = EmbeddedTypeLibrary(&status);
  if (!library) return status;
  return library->GetTypeInfoOfGuid(guid, info);
}

HRESULT ServerObject::GetTypeInfo(UINT index, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  ITypeInfo* interfaceInfo = nullptr;
  const HRESULT status = TypeInfoOf(iid_, &interfaceInfo);
  if (FAILED(status)) return status;
  *info = ClassNamedTypeInfo(interfaceInfo, std::wstring(class_.name.begin(), class_.name.end()));
  interfaceInfo->Release();
  return *info ? S_OK : E_OUTOFMEMORY;
}

HRESULT ServerObject::GetClassTypeInfo(ITypeInfo** info) { return TypeInfoOf(GuidOf(class_.guid), info); }

HRESULT ServerObject::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  auto ascii = [](const OLECHAR* text) {
    std::string s;
    for (; *text; ++text) s += *text < 128 ? static_cast<char>(*text) : '?';
    return s;
  };
  const std::string name = ascii(names[0]);
  const MemberInfo* member = FindMember(class_, name);
  if (!member) member = FindMember(class_, name, MemberKind::PropertyGet);
  if (!member) member = FindMember(class_, name, MemberKind::PropertyPut);
  HRESULT status = S_OK;
  ids[0] = member ? member->dispid : DISPID_UNKNOWN;
  if (!member) status = DISP_E_UNKNOWNNAME;
  // Named arguments: a parameter's identifier is its position.
  for (UINT i = 1; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    const std::string param = ascii(names[i]);
    for (std::size_t p = 0; member && p < member->params.size(); ++p) {
      if (_stricmp(std::string(member->params[p].name).c_str(), param.c_str()) == 0) ids[i] = static_cast<DISPID>(p);
    }
    if (ids[i] == DISPID_UNKNOWN) status = DISP_E_UNKNOWNNAME;
  }
  return status;
}

const MemberInfo* ServerObject::MemberFor(DISPID id, WORD flags) const {
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) return FindMember(class_, id, MemberKind::PropertyPut);
  const MemberInfo* member = nullptr;
  if (flags & DISPATCH_METHOD) member = FindMember(class_, id, MemberKind::Method);
  if (!member && (flags & DISPATCH_PROPERTYGET)) member = FindMember(class_, id, MemberKind::PropertyGet);
  return member;
}

HRESULT ServerObject::Invoke(DISPID id, REFIID iid, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* exception, UINT* argumentError) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  const MemberInfo* member = MemberFor(id, flags);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  if (!params) params = &none;
  const std::size_t count = member->params.size();
  const std::size_t positional = params->cArgs - params->cNamedArgs;
  if (positional > count) return DISP_E_BADPARAMCOUNT;

  // The client's arguments by parameter: positional ones come last to first,
  // named ones by their identifier (a property's new value is the last).
  std::vector<VARIANT*> given(count, nullptr);
  for (std::size_t i = 0; i < positional; ++i) given[i] = &params->rgvarg[params->cArgs - 1 - i];
  for (UINT n = 0; n < params->cNamedArgs; ++n) {
    const DISPID named = params->rgdispidNamedArgs[n];
    const std::size_t index = named == DISPID_PROPERTYPUT ? count - 1 : static_cast<std::size_t>(named);
    if ((named < 0 && named != DISPID_PROPERTYPUT) || index >= count) {
      if (argumentError) *argumentError = n;
      return DISP_E_PARAMNOTFOUND;
    }
    given[index] = &params->rgvarg[n];
  }
  std::size_t used = count;
  while (used > 0 && !given[used - 1]) --used;

  std::vector<Variant> args(used, Variant::Missing());
  std::vector<Variant> before;
  try {
    for (std::size_t i = 0; i < used; ++i) {
      if (!given[i]) continue;
      if (argumentError) *argumentError = static_cast<UINT>(params->cArgs - 1 - i);
      args[i] = FromVariant(*given[i]);
      // A script's variable that holds no array yet is an array without
      // dimensions, which the member re-dimensions.
      if (args[i].IsEmpty() && member->params[i].type.kind == TypeKind::StringArray) args[i] = StringArray{};
    }
    before = args;
  } catch (const Error& e) {
    return RaiseException(e, iid_, exception);
  }

  // A member that raised has still written what it wrote to its by-reference
  // arguments; the caller's variables get that too.
  auto writeBack = [&] {
    for (std::size_t i = 0; i < used; ++i) {
      if (given[i] && member->params[i].byRef && !(args[i] == before[i])) WriteBack(args[i], *given[i]);
    }
  };
  try {
    Variant value = object_.Invoke(*member, args);
    writeBack();
    if (result && member->result.kind != TypeKind::Void) ToVariant(value, result);
    return S_OK;
  } catch (const Error& e) {
    try {
      writeBack();
    } catch (const Error&) {
      // the member's own error is the one to report
    }
    return RaiseException(e, iid_, exception);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT ServerObject::CallSlot(std::size_t slot, void* const* raw) {
  if (slot >= class_.iface.members.size()) return E_NOTIMPL;
  const MemberInfo& member = class_.iface.members[slot];
  const std::size_t count = member.params.size();
  if (ArgumentCount(member) > kMaxArguments) return E_NOTIMPL;
  if (member.result.kind != TypeKind::Void && !raw[count]) return E_POINTER;
  std::vector<Variant> args;
  try {
    for (std::size_t i = 0; i < count; ++i) args.push_back(FromRawArgument(member.params[i], raw[i]));
  } catch (const Error& e) {
    return RaiseErrorInfo(e, iid_);
  }
  const std::vector<Variant> before = args;
  auto storeBack = [&] {
    for (std::size_t i = 0; i < count; ++i) {
      if (!(args[i] == before[i])) StoreRawArgument(member.params[i], args[i], raw[i]);
    }
  };
  try {
    Variant value = object_.Invoke(member, args);
    storeBack();
    StoreResult(member.result, value, raw[count]);
    return S_OK;
  } catch (const Error& e) {
    try {
      storeBack();
    } catch (const Error&) {
      // the member's own error is the one to report
    }
    return RaiseErrorInfo(e, iid_);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// --- the second interfaces -----------------------------------------------

template <class Base>
HRESULT SecondInterface<Base>::QueryInterface(REFIID iid, void** out) {
  return owner_->QueryInterface(iid, out);
}
template <class Base>
ULONG SecondInterface<Base>::AddRef() {
  return owner_->AddRef();
}
template <class Base>
ULONG SecondInterface<Base>::Release() {
  return owner_->Release();
}

HRESULT ErrorInfoSupport::InterfaceSupportsErrorInfo(REFIID iid) {
  return owner_->IsOwnInterface(iid) || IsEqualIID(iid, IID_IDispatch) ? S_OK : S_FALSE;
}

HRESULT ClassInfoProvider::GetClassInfo(ITypeInfo** info) { return owner_->GetClassTypeInfo(info); }

}  // namespace

HRESULT CreateServerObject(const ClassInfo& cls, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (cls.iface.members.size() > kMaxMemberSlots) return E_UNEXPECTED;
  for (const MemberInfo& member : cls.iface.members) {
    if (ArgumentCount(member) > kMaxArguments) return E_UNEXPECTED;
  }
  ServerObject* created = nullptr;
  try {
    InstallHostServices();
    created = new ServerObject(cls, AutomationObject::Create(cls.name));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const Error& e) {
    return RaiseErrorInfo(e, IID_IUnknown);
  }
  const HRESULT status = created->QueryInterface(iid, object);
  created->Release();
  return status;
}

}  // namespace kor::server
