// Symbol visibility for the korTools shared library.
//
// The library is built with hidden visibility; only declarations marked
// KORTOOLS_API are exported. The static variant defines KORTOOLS_STATIC.
#pragma once

#if defined(KORTOOLS_STATIC)
#define KORTOOLS_API
#elif defined(_WIN32)
#if defined(KORTOOLS_BUILDING)
#define KORTOOLS_API __declspec(dllexport)
#else
#define KORTOOLS_API __declspec(dllimport)
#endif
#else
#define KORTOOLS_API __attribute__((visibility("default")))
#endif
