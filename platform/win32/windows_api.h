// The Windows API for the platform layer. The API's "A"/"W" macros are taken
// back, so that the platform interfaces' members of the same names
// (FormatMessage, GetTempPath, RegOpenKeyEx, ...) keep their own; the
// layer calls the "A" functions by their full names.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#undef FindFirstFile
#undef FormatMessage
#undef GetFullPathName
#undef GetPrivateProfileString
#undef GetTempFileName
#undef GetTempPath
#undef RegEnumKeyEx
#undef RegEnumValue
#undef RegOpenKeyEx
#undef RegQueryValueEx
#undef SHFileOperation
#undef WritePrivateProfileString
