#include "frame/server/server_module.h"

#include <mutex>
#include <vector>

#include "kortools/host.h"

namespace kor::server {
namespace {

HMODULE module = nullptr;

struct Identifiers {
  GUID library{};
  std::vector<CLSID> classes;
  std::vector<IID> interfaces;
  std::vector<IID> aliases;
};

const Identifiers& Ids() {
  static const Identifiers ids = [] {
    Identifiers r;
    const TypeLibraryInfo& lib = kor::TypeLibrary();
    r.library = GuidOf(lib.guid);
    for (const ClassInfo& c : lib.classes) {
      r.classes.push_back(GuidOf(c.guid));
      r.interfaces.push_back(GuidOf(c.iface.guid));
    }
    for (std::string_view alias : lib.fileManAliases) r.aliases.push_back(GuidOf(alias));
    return r;
  }();
  return ids;
}

std::size_t IndexOf(const ClassInfo& cls) { return static_cast<std::size_t>(&cls - kor::TypeLibrary().classes.data()); }

// The window unit of the forms the library sizes is the twip, 1/1440 inch.
ScreenSize ScreenInTwips() {
  HDC screen = GetDC(nullptr);
  const int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  const int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return {static_cast<Single>(GetSystemMetrics(SM_CXSCREEN)) * 1440.0F / static_cast<Single>(dpiX ? dpiX : 96),
          static_cast<Single>(GetSystemMetrics(SM_CYSCREEN)) * 1440.0F / static_cast<Single>(dpiY ? dpiY : 96)};
}

// The host's pending events: the messages of the calling apartment's thread.
void ProcessPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

HMODULE Module() { return module; }

std::wstring ModuleFileName() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
    if (length < name.size()) {
      name.resize(length);
      return name;
    }
    name.resize(name.size() * 2);
  }
}

GUID GuidOf(std::string_view text) {
  std::wstring braced = L"{";
  braced.append(text.begin(), text.end());
  braced += L'}';
  GUID guid{};
  IIDFromString(braced.c_str(), &guid);
  return guid;
}

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  return text;
}

const GUID& LibraryId() { return Ids().library; }
const CLSID& ClassId(const ClassInfo& cls) { return Ids().classes[IndexOf(cls)]; }
const IID& InterfaceId(const ClassInfo& cls) { return Ids().interfaces[IndexOf(cls)]; }
std::span<const IID> FileManAliases() { return Ids().aliases; }

ITypeLib* EmbeddedTypeLibrary(HRESULT* status) {
  static HRESULT loaded = E_FAIL;
  static ITypeLib* library = [] {
    ITypeLib* lib = nullptr;
    loaded = LoadTypeLibEx(ModuleFileName().c_str(), REGKIND_NONE, &lib);
    return SUCCEEDED(loaded) ? lib : nullptr;
  }();
  if (status) *status = loaded;
  return library;
}

void InstallHostServices() {
  static std::once_flag once;
  std::call_once(once, [] {
    HostHooks hooks = GetHostHooks();
    if (!hooks.screen) hooks.screen = ScreenInTwips;
    if (!hooks.processEvents) hooks.processEvents = ProcessPendingMessages;
    SetHostHooks(std::move(hooks));
  });
}

}  // namespace kor::server

// The library's entry point: notes the module, and asks for no calls at the
// start and end of threads.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    kor::server::module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
