// The host's windows and screen: the form interface of a window object the
// host lends a call, and the screen size in the host's window unit.
//
//   auto& host = kor::platform::GetHostForms();
//   std::shared_ptr<kor::HostWindow> form = host.FormOf(object);   // error 13 for another object
//   kor::Single w = host.ScreenWidth();                             // asked anew at every use
#pragma once

#include <memory>

#include "kortools/object.h"
#include "kortools/types.h"

namespace kor::platform {

class HostForms {
 public:
  virtual ~HostForms() = default;

  // The host's form interface of `object`. Raises error 13 "Type mismatch"
  // when the object is not one of the host's windows. A null reference gives
  // a form whose every operation raises error 91, as a window variable that
  // is not set does.
  virtual std::shared_ptr<HostWindow> FormOf(const Object& object) const = 0;

  // The screen's width and height in the unit of the window bounds.
  virtual Single ScreenWidth() const = 0;
  virtual Single ScreenHeight() const = 0;
};

// The host forms of this platform.
const HostForms& GetHostForms();

}  // namespace kor::platform
