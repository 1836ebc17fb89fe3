// The INI file names korINI makes itself.
//
// The default INI file: the folder of the library's own module file, "\", the
// module's file name without its extension, and ".ini". On Linux the
// extension of a shared library is ".so" with its version numbers, so
// /usr/lib/x86_64-linux-gnu/libkortools.so.4 gives
// Z:\usr\lib\x86_64-linux-gnu\libkortools.ini; a program linked with the
// static library is its own module (/opt/app/bin/app gives Z:\opt\app\bin\app.ini).
#pragma once

#include <string_view>

#include "kortools/types.h"

namespace kor::ini {

// The default INI file for the module file `moduleFile` (a Windows name). The
// folder keeps a closing "\" only at the root of a drive, so a module there
// gives two separators in a row ("Z:\\app.ini").
String DefaultIniFileOf(std::u16string_view moduleFile);

// The default INI file of this library. Raises error 76 "Path not found" when
// the platform cannot tell the module's file.
String DefaultIniFile();

// The process's current folder as the platform reports it ("Z:\home\ann");
// error 76 "Path not found" when it has none.
String CurrentFolder();

// A file name completed against the current folder ("C:\Work", "C:\"): a name
// without any "\" goes into the folder ("settings.ini" gives
// "C:\Work\settings.ini"), a name that does not carry a drive gets the
// folder's first two characters ("\cfg\a.ini" gives "C:\cfg\a.ini",
// "sub\a.ini" the drive-relative "C:sub\a.ini"), any other stays as it is.
// The folder is asked for only when the name needs it.
String CompletedFileName(const String& name, String (*currentFolder)() = CurrentFolder);

}  // namespace kor::ini
