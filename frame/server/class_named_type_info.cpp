#include "frame/server/class_named_type_info.h"

#include <atomic>
#include <new>

namespace kor::server {
namespace {

class RenamedTypeInfo final : public ITypeInfo {
 public:
  RenamedTypeInfo(ITypeInfo* inner, std::wstring name) : inner_(inner), name_(std::move(name)) { inner_->AddRef(); }
  ~RenamedTypeInfo() { inner_->Release(); }
  RenamedTypeInfo(const RenamedTypeInfo&) = delete;
  RenamedTypeInfo& operator=(const RenamedTypeInfo&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ITypeInfo)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<ITypeInfo*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // The one change: the type's own name is the class's.
  HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* context, BSTR* file) override {
    const HRESULT status = inner_->GetDocumentation(id, name, doc, context, file);
    if (SUCCEEDED(status) && id == MEMBERID_NIL && name) {
      SysFreeString(*name);
      *name = SysAllocString(name_.c_str());
      if (!*name) return E_OUTOFMEMORY;
    }
    return status;
  }

  HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** attr) override { return inner_->GetTypeAttr(attr); }
  HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** comp) override { return inner_->GetTypeComp(comp); }
  HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC** desc) override {
    return inner_->GetFuncDesc(index, desc);
  }
  HRESULT STDMETHODCALLTYPE GetVarDesc(UINT index, VARDESC** desc) override { return inner_->GetVarDesc(index, desc); }
  HRESULT STDMETHODCALLTYPE GetNames(MEMBERID id, BSTR* names, UINT max, UINT* count) override {
    return inner_->GetNames(id, names, max, count);
  }
  HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE* type) override {
    return inner_->GetRefTypeOfImplType(index, type);
  }
  HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT* flags) override {
    return inner_->GetImplTypeFlags(index, flags);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
    return inner_->GetIDsOfNames(names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(PVOID instance, MEMBERID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argumentError) override {
    return inner_->Invoke(instance, id, flags, params, result, exception, argumentError);
  }
  HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID id, INVOKEKIND kind, BSTR* dll, BSTR* name, WORD* ordinal) override {
    return inner_->GetDllEntry(id, kind, dll, name, ordinal);
  }
  HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE type, ITypeInfo** info) override {
    return inner_->GetRefTypeInfo(type, info);
  }
  HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID id, INVOKEKIND kind, PVOID* address) override {
    return inner_->AddressOfMember(id, kind, address);
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, PVOID* object) override {
    return inner_->CreateInstance(outer, iid, object);
  }
  HRESULT STDMETHODCALLTYPE GetMops(MEMBERID id, BSTR* mops) override { return inner_->GetMops(id, mops); }
  HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** library, UINT* index) override {
    return inner_->GetContainingTypeLib(library, index);
  }
  void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* attr) override { inner_->ReleaseTypeAttr(attr); }
  void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* desc) override { inner_->ReleaseFuncDesc(desc); }
  void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC* desc) override { inner_->ReleaseVarDesc(desc); }

 private:
  std::atomic<ULONG> refs_{1};
  ITypeInfo* inner_;
  std::wstring name_;
};

}  // namespace

ITypeInfo* ClassNamedTypeInfo(ITypeInfo* interfaceInfo, const std::wstring& className) {
  return new (std::nothrow) RenamedTypeInfo(interfaceInfo, className);
}

}  // namespace kor::server
