// A native automation client of korTools.dll, run under Wine by
// scripts/wine-com after the DLL is registered. It passes what a script
// cannot: typed by-reference strings (BSTR*) and string arrays
// (SAFEARRAY(BSTR)*), it calls members through the dual interfaces' virtual
// tables, and it reads the type information. Each check prints "ok NAME" or
// "FAIL NAME: detail"; the last line is "CLIENT-END" and the exit code the
// number of failed checks.
//
//   kortools_com_client.exe Z:\tmp\work      (a folder for its files)
#include <ocidl.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "kortools/typeinfo.h"

namespace {

int g_failures = 0;

void Check(const char* name, const std::function<std::string()>& body) {
  std::string detail;
  try {
    detail = body();
  } catch (const std::exception& e) {
    detail = std::string("exception ") + e.what();
  }
  if (detail.empty()) {
    std::printf("ok %s\n", name);
  } else {
    std::printf("FAIL %s: %s\n", name, detail.c_str());
    ++g_failures;
  }
  std::fflush(stdout);
}

std::string Narrow(const wchar_t* text, std::size_t length) {
  std::string s;
  for (std::size_t i = 0; i < length; ++i) s += text[i] < 128 ? static_cast<char>(text[i]) : '?';
  return s;
}
std::string Narrow(BSTR text) { return text ? Narrow(text, SysStringLen(text)) : std::string(); }

std::string Expect(const std::string& what, const std::string& got, const std::string& want) {
  return got == want ? std::string() : what + ": got \"" + got + "\", want \"" + want + "\"";
}

std::string Hex(HRESULT status) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(status));
  return text;
}

GUID GuidOf(std::string_view text) {
  std::wstring braced = L"{" + std::wstring(text.begin(), text.end()) + L"}";
  GUID guid{};
  IIDFromString(braced.c_str(), &guid);
  return guid;
}

// A variable of the client's, passed by reference (VT_BSTR or VT_ARRAY |
// VT_BSTR).
VARIANT ByRef(VARTYPE type, void* variable) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = type | VT_BYREF;
  V_BYREF(&v) = variable;
  return v;
}

// A late-bound call; `args` in parameter order. Returns the status code
// (DISP_E_EXCEPTION for an error the object raised).
HRESULT Call(IDispatch* object, const wchar_t* member, std::vector<VARIANT> args, VARIANT* result) {
  DISPID id = 0;
  auto* name = const_cast<LPOLESTR>(member);
  HRESULT status = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(status)) return status;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  EXCEPINFO info{};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, &info, nullptr);
}

IDispatch* Create(const wchar_t* progId) {
  CLSID clsid{};
  if (FAILED(CLSIDFromProgID(progId, &clsid))) return nullptr;
  IDispatch* object = nullptr;
  CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object));
  return object;
}

std::string Element(SAFEARRAY* array, LONG i, LONG j = -1) {
  LONG index[2] = {i, j};
  BSTR item = nullptr;
  if (FAILED(SafeArrayGetElement(array, index, &item))) return "<no element>";
  std::string s = Narrow(item);
  SysFreeString(item);
  return s;
}

const kor::ClassInfo& ClassNamed(std::string_view name) { return *kor::FindClass(name); }

// The object's dual interface of class `cls`, or null.
IUnknown* Dual(IDispatch* object, std::string_view cls) {
  IUnknown* dual = nullptr;
  object->QueryInterface(GuidOf(ClassNamed(cls).iface.guid), reinterpret_cast<void**>(&dual));
  return dual;
}

// Entry `slot` of a dual interface's table, as a function of type F.
template <typename F>
F Slot(IUnknown* dual, int slot) {
  return reinterpret_cast<F>((*reinterpret_cast<void***>(dual))[slot]);
}

// The default the registered type library publishes for a parameter of a
// class's interface, as a compiler reads it to fill in a left-out argument
// (VT_EMPTY when there is none).
VARIANT PublishedDefault(std::string_view cls, const wchar_t* member, SHORT param) {
  VARIANT value;
  VariantInit(&value);
  const kor::TypeLibraryInfo& lib = kor::TypeLibrary();
  ITypeLib* library = nullptr;
  if (FAILED(LoadRegTypeLib(GuidOf(lib.guid), static_cast<WORD>(lib.majorVersion), static_cast<WORD>(lib.minorVersion),
                            LOCALE_NEUTRAL, &library)))
    return value;
  ITypeInfo* info = nullptr;
  if (SUCCEEDED(library->GetTypeInfoOfGuid(GuidOf(ClassNamed(cls).iface.guid), &info))) {
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    for (UINT f = 0; attr && f < attr->cFuncs; ++f) {
      FUNCDESC* func = nullptr;
      info->GetFuncDesc(f, &func);
      BSTR name = nullptr;
      info->GetDocumentation(func->memid, &name, nullptr, nullptr, nullptr);
      if (name && wcscmp(name, member) == 0 && param < func->cParams) {
        const PARAMDESC& desc = func->lprgelemdescParam[param].paramdesc;
        if (desc.wParamFlags & PARAMFLAG_FHASDEFAULT) VariantCopy(&value, &desc.pparamdescex->varDefaultValue);
      }
      SysFreeString(name);
      info->ReleaseFuncDesc(func);
    }
    if (attr) info->ReleaseTypeAttr(attr);
    info->Release();
  }
  library->Release();
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kortools_com_client WORK-FOLDER\n");
    return 2;
  }
  const std::string work = std::string(argv[1]) + "\\";
  const std::wstring wideWork(work.begin(), work.end());
  CoInitialize(nullptr);
  IDispatch* parse = Create(L"korTools.korParse");
  IDispatch* files = Create(L"korTools.korFileMan");
  IDispatch* csv = Create(L"korTools.korCSV_IO");
  if (!parse || !files || !csv) {
    std::printf("FAIL create: the classes are not registered\nCLIENT-END\n");
    return 1;
  }

  Check("CSV round trip with typed two-dimensional arrays", [&] {
    SAFEARRAYBOUND bounds[2] = {{2, 1}, {2, 1}};  // (1 To 2 fields, 1 To 2 records)
    SAFEARRAY* table = SafeArrayCreate(VT_BSTR, 2, bounds);
    const wchar_t* cells[2][2] = {{L"a", L"b,c"}, {L"1", L"x y"}};
    for (LONG r = 1; r <= 2; ++r) {
      for (LONG f = 1; f <= 2; ++f) {
        LONG index[2] = {f, r};
        BSTR cell = SysAllocString(cells[r - 1][f - 1]);
        SafeArrayPutElement(table, index, cell);
        SysFreeString(cell);
      }
    }
    BSTR file = SysAllocString((wideWork + L"table.csv").c_str());
    HRESULT status = Call(csv, L"WriteCSVFile", {ByRef(VT_BSTR, &file), ByRef(VT_ARRAY | VT_BSTR, &table)}, nullptr);
    SafeArrayDestroy(table);
    if (FAILED(status)) return "write: status " + Hex(status);
    SAFEARRAY* back = nullptr;
    status = Call(csv, L"ReadCSVFile", {ByRef(VT_BSTR, &file), ByRef(VT_ARRAY | VT_BSTR, &back)}, nullptr);
    SysFreeString(file);
    if (FAILED(status) || !back) return "read: status " + Hex(status);
    std::string r = Expect("field 2 of record 1", Element(back, 2, 1), "b,c") +
                    Expect("field 2 of record 2", Element(back, 2, 2), "x y") +
                    Expect("dimensions", std::to_string(SafeArrayGetDim(back)), "2");
    SafeArrayDestroy(back);
    return r;
  });

  // An early-bound caller that leaves optional arguments out: the compiler
  // passes the defaults the type library publishes.
  Check("SmartParse through the table with the published defaults", [&] {
    IUnknown* dual = Dual(parse, "korParse");
    if (!dual) return std::string("no _korParse");
    using SmartParse = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, BSTR*, SAFEARRAY**, BSTR*, BSTR*, SHORT*);
    VARIANT delimiter = PublishedDefault("korParse", L"SmartParse", 2);
    VARIANT quote = PublishedDefault("korParse", L"SmartParse", 3);
    BSTR line = SysAllocString(L"a \"b c\"");
    SAFEARRAY* values = nullptr;
    SHORT count = 0;
    HRESULT status = Slot<SmartParse>(dual, 7 + 1)(dual, &line, &values, &V_BSTR(&delimiter), &V_BSTR(&quote), &count);
    std::string r = Expect("SmartParse", Hex(status) + " " + std::to_string(count), "0x00000000 2");
    if (values) SafeArrayDestroy(values);
    SysFreeString(line);
    VariantClear(&delimiter);
    VariantClear(&quote);
    dual->Release();
    return r;
  });

  // A script sees the error through EXCEPINFO; an early-bound caller gets the
  // status from the table and the description from IErrorInfo.
  Check("an object error through the table and IErrorInfo", [&] {
    const IID iid = GuidOf(ClassNamed("korFileMan").iface.guid);
    IUnknown* dual = Dual(files, "korFileMan");
    if (!dual) return std::string("no _korFileMan");
    auto slot = Slot<HRESULT(STDMETHODCALLTYPE*)(IUnknown*, BSTR*, BSTR*, BSTR*)>(dual, 7 + 30);
    BSTR folder = SysAllocString((wideWork + L"missing\\folder").c_str());
    BSTR prefix = SysAllocString(L"abc");
    BSTR result = nullptr;
    HRESULT status = slot(dual, &folder, &prefix, &result);
    SysFreeString(folder);
    SysFreeString(prefix);
    SysFreeString(result);
    std::string r = Expect("status", Hex(status), "0x80040001");
    ISupportErrorInfo* support = nullptr;
    if (FAILED(dual->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support))) ||
        support->InterfaceSupportsErrorInfo(iid) != S_OK) {
      r += " no ISupportErrorInfo for the interface";
    }
    if (support) support->Release();
    dual->Release();
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return r + " no IErrorInfo";
    BSTR text = nullptr;
    info->GetDescription(&text);
    r += Expect("IErrorInfo", Narrow(text), "Error creating temporary filename. Valid path & prefix settings.");
    SysFreeString(text);
    info->Release();
    return r;
  });

  Check("the earlier file-management identifiers", [&] {
    std::string r;
    for (std::string_view alias : kor::TypeLibrary().fileManAliases) {
      IUnknown* old = nullptr;
      if (FAILED(files->QueryInterface(GuidOf(alias), reinterpret_cast<void**>(&old)))) {
        r += "no interface for " + std::string(alias) + "; ";
      } else {
        old->Release();
      }
    }
    return r;
  });

  Check("class factory and unloading", [&] {
    IClassFactory* factory = nullptr;
    HRESULT status = CoGetClassObject(GuidOf(ClassNamed("korINI").guid), CLSCTX_INPROC_SERVER, nullptr,
                                      IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(status)) return "CoGetClassObject: " + Hex(status);
    IUnknown* object = nullptr;
    std::string r =
        Expect("aggregation", Hex(factory->CreateInstance(parse, IID_IUnknown, reinterpret_cast<void**>(&object))),
               Hex(CLASS_E_NOAGGREGATION));
    r += Expect("another interface",
                Hex(factory->CreateInstance(nullptr, IID_IPersist, reinterpret_cast<void**>(&object))),
                Hex(E_NOINTERFACE));
    factory->Release();
    // Kept in memory once loaded.
    HMODULE module = GetModuleHandleW(L"korTools.dll");
    auto canUnload = module ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                                  reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")))
                            : nullptr;
    if (!canUnload) return r + " DllCanUnloadNow not found";
    return r + Expect("DllCanUnloadNow", Hex(canUnload()), Hex(S_FALSE));
  });

  Check("the event log's source and message table", [&] {
    wchar_t file[MAX_PATH] = {};
    DWORD size = sizeof file;
    const LONG status =
        RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\korTools",
                     L"EventMessageFile", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, file, &size);
    if (status != ERROR_SUCCESS) return "no event source: " + std::to_string(status);
    HMODULE module = LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return "cannot load " + Narrow(file, wcslen(file));
    const wchar_t* text = L"a message request";
    DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(text)};
    wchar_t shown[64] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, 0, 0,
                                        shown, 64, reinterpret_cast<va_list*>(args));
    FreeLibrary(module);
    return Expect("event text", Narrow(shown, length), "a message request\r\n");
  });

  parse->Release();
  files->Release();
  csv->Release();
  CoUninitialize();
  std::printf("CLIENT-END\n");
  return g_failures;
}
