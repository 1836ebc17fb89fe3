// The server's entry points for objects: a class factory per class, and the
// answer to whether the library may be unloaded.
#include <ole2.h>

#include <vector>

#include "frame/server/server_module.h"
#include "frame/server/server_object.h"

namespace kor::server {
namespace {

// One factory per class, living as long as the module.
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(const ClassInfo& cls) : class_(cls) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateServerObject(class_, iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  const ClassInfo& class_;
};

// Once a client has asked for a class, the module stays in the process, as
// the library declares: its objects' state and the predeclared instances
// outlive any one client's references.
void KeepLoaded() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&KeepLoaded), &self);
}

}  // namespace
}  // namespace kor::server

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  using kor::server::ClassFactory;
  static const auto factories = [] {
    std::vector<ClassFactory> all;
    for (const kor::ClassInfo& c : kor::TypeLibrary().classes) all.emplace_back(c);
    return all;
  }();
  const auto& classes = kor::TypeLibrary().classes;
  for (std::size_t i = 0; i < classes.size(); ++i) {
    if (IsEqualCLSID(clsid, kor::server::ClassId(classes[i]))) {
      kor::server::KeepLoaded();
      return const_cast<ClassFactory&>(factories[i]).QueryInterface(iid, out);
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

// The library declares itself kept in memory once loaded: never unloaded.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }
