// Symbol visibility for the korTools shared library.
//
// The library is built with hidden visibility; only declarations marked
// KORTOOLS_API are exported. The static variant defines KORTOOLS_STATIC.
// Windows builds use GCC or Clang (mingw-w64), whose attribute spelling of
// the DLL export and import marks is used.
#pragma once

#if defined(KORTOOLS_STATIC)
#define KORTOOLS_API
#elif defined(_WIN32)
#if defined(KORTOOLS_BUILDING)
#define KORTOOLS_API __attribute__((dllexport))
#else
#define KORTOOLS_API __attribute__((dllimport))
#endif
#else
#define KORTOOLS_API __attribute__((visibility("default")))
#endif
