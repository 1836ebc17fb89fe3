// Registration of the server: for each class its class identifier with the
// module as in-process server (apartment threading), its programmatic
// identifier "korTools.<class>", the type library with its interfaces, and
// the application event log's source "korTools" with the module's message
// table, so that the log shows the library's message requests as written.
//
//   regsvr32 korTools.dll        DllRegisterServer
//   regsvr32 /u korTools.dll     DllUnregisterServer
#include <ole2.h>
#include <oleauto.h>

#include <string>

#include "frame/server/server_module.h"

namespace kor::server {
namespace {

std::wstring Wide(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

constexpr const wchar_t* kEventSource = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\korTools";

// Writes a value of the key (its default value when `name` is null),
// creating the key.
LONG SetValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  HKEY handle = nullptr;
  LONG status =
      RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &handle, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueExW(handle, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(handle);
  return status;
}

LONG SetText(const std::wstring& key, const wchar_t* name, const std::wstring& value, HKEY root = HKEY_CLASSES_ROOT,
             DWORD type = REG_SZ) {
  return SetValue(root, key, name, type, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LONG RegisterLogSource(const std::wstring& module) {
  const LONG status = SetText(kEventSource, L"EventMessageFile", module, HKEY_LOCAL_MACHINE, REG_EXPAND_SZ);
  if (status != ERROR_SUCCESS) return status;
  const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
  return SetValue(HKEY_LOCAL_MACHINE, kEventSource, L"TypesSupported", REG_DWORD, &types, sizeof types);
}

std::wstring ProgId(const ClassInfo& cls) { return L"korTools." + Wide(cls.name); }

std::wstring Version() {
  const TypeLibraryInfo& lib = kor::TypeLibrary();
  return std::to_wstring(lib.majorVersion) + L"." + std::to_wstring(lib.minorVersion);
}

LONG RegisterOneClass(const ClassInfo& cls, const std::wstring& module) {
  const std::wstring clsid = GuidText(ClassId(cls));
  const std::wstring key = L"CLSID\\" + clsid;
  const std::wstring progId = ProgId(cls);
  const std::pair<std::wstring, std::pair<const wchar_t*, std::wstring>> values[] = {
      {key, {nullptr, Wide(cls.name)}},
      {key + L"\\InprocServer32", {nullptr, module}},
      {key + L"\\InprocServer32", {L"ThreadingModel", L"Apartment"}},
      {key + L"\\ProgID", {nullptr, progId}},
      {key + L"\\VersionIndependentProgID", {nullptr, progId}},
      {key + L"\\TypeLib", {nullptr, GuidText(LibraryId())}},
      {key + L"\\Version", {nullptr, Version()}},
      {key + L"\\Programmable", {nullptr, L""}},
      {progId, {nullptr, Wide(cls.name)}},
      {progId + L"\\CLSID", {nullptr, clsid}},
  };
  for (const auto& [path, value] : values) {
    if (const LONG status = SetText(path, value.first, value.second); status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

// The earlier identifiers of the file-management interface lead to the
// current one: the same name, marshalled by the automation marshaller with
// the library's type information.
LONG RegisterAliases() {
  const std::wstring library = GuidText(LibraryId());
  for (const IID& alias : FileManAliases()) {
    const std::wstring key = L"Interface\\" + GuidText(alias);
    const std::pair<std::wstring, std::wstring> values[] = {
        {key, L"_korFileMan"},
        {key + L"\\ProxyStubClsid32", L"{00020424-0000-0000-C000-000000000046}"},
        {key + L"\\TypeLib", library},
    };
    for (const auto& [path, value] : values) {
      if (const LONG status = SetText(path, nullptr, value); status != ERROR_SUCCESS) return status;
    }
    SetText(key + L"\\TypeLib", L"Version", Version());
  }
  return ERROR_SUCCESS;
}

void Unregister() {
  for (const ClassInfo& cls : kor::TypeLibrary().classes) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(ClassId(cls))).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ProgId(cls).c_str());
  }
  for (const IID& alias : FileManAliases()) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"Interface\\" + GuidText(alias)).c_str());
  }
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kEventSource);
  const TypeLibraryInfo& lib = kor::TypeLibrary();
  UnRegisterTypeLib(LibraryId(), static_cast<WORD>(lib.majorVersion), static_cast<WORD>(lib.minorVersion),
                    LOCALE_NEUTRAL, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
}

}  // namespace
}  // namespace kor::server

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  using namespace kor::server;
  HRESULT status = S_OK;
  ITypeLib* library = EmbeddedTypeLibrary(&status);
  if (!library) return status;
  std::wstring module = ModuleFileName();
  // The type library registers itself and its interfaces.
  status = RegisterTypeLib(library, module.data(), nullptr);
  if (FAILED(status)) return status;
  for (const kor::ClassInfo& cls : kor::TypeLibrary().classes) {
    if (const LONG result = RegisterOneClass(cls, module); result != ERROR_SUCCESS) {
      Unregister();
      return HRESULT_FROM_WIN32(result);
    }
  }
  LONG result = RegisterAliases();
  if (result == ERROR_SUCCESS) result = RegisterLogSource(module);
  if (result != ERROR_SUCCESS) {
    Unregister();
    return HRESULT_FROM_WIN32(result);
  }
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  kor::server::Unregister();
  return S_OK;
}
