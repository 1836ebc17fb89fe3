// The server's module: its handle, its identifiers in the system's GUID form,
// its embedded type library and the host services it lends the library when
// the first object is made.
#pragma once

#include <ole2.h>
#include <oleauto.h>

#include <span>
#include <string>

#include "kortools/typeinfo.h"

namespace kor::server {

HMODULE Module();
// The module's file name, as the system loaded it.
std::wstring ModuleFileName();

GUID GuidOf(std::string_view text);       // "0CC11010-2A1A-..." without braces
std::wstring GuidText(const GUID& guid);  // "{0CC11010-2A1A-...}"

const GUID& LibraryId();
const CLSID& ClassId(const ClassInfo& cls);
const IID& InterfaceId(const ClassInfo& cls);
// The earlier identifiers of the file-management interface.
std::span<const IID> FileManAliases();

// The type library embedded in the module; null (and the failure in
// `status`) when it cannot be loaded. The reference stays with the module.
ITypeLib* EmbeddedTypeLibrary(HRESULT* status = nullptr);

// Screen size and event processing for the library, asked of the system:
// installed once, before the first object is made.
void InstallHostServices();

}  // namespace kor::server
