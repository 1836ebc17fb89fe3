// What a host program lends the library: its screen size, the processing of
// its pending events, and a view of the message requests the library makes.
//
//   kor::HostHooks hooks;
//   hooks.onMessage = [](const kor::String& text) { /* show or record it */ };
//   hooks.screen = [] { return kor::ScreenSize{2560, 1440}; };
//   kor::SetHostHooks(std::move(hooks));
//
// Hooks left empty do nothing (the screen is then 1920 x 1080). The library is
// apartment-threaded: set the hooks on the thread that calls it.
#pragma once

#include <cstddef>
#include <functional>

#include "kortools/export.h"
#include "kortools/types.h"

namespace kor {

struct ScreenSize {
  Single width = 1920;
  Single height = 1080;
};

struct HostHooks {
  // Every message request, after its text has gone to the event log.
  std::function<void(const String& text)> onMessage;
  // Called once per record while a CSV file is read.
  std::function<void()> processEvents;
  // The host's screen size in its window unit.
  std::function<ScreenSize()> screen;
  // The most elements an array may have while the hooks are lent; 0 for no
  // limit other than memory. A re-dimension beyond it raises error 7.
  std::size_t maxArrayElements = 0;
  // Told of every re-dimension refused for that limit (with the elements
  // asked for), also when the method goes on past the error.
  std::function<void(std::size_t elements)> onArrayLimit;
};

KORTOOLS_API void SetHostHooks(HostHooks hooks);
KORTOOLS_API const HostHooks& GetHostHooks();

}  // namespace kor
