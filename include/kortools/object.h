// References to the host's own automation objects. The only kind the library
// uses is a host window (a form): its bounds, its state and Move.
#pragma once

#include <memory>
#include <optional>

#include "kortools/export.h"
#include "kortools/types.h"

namespace kor {

// Any object of the host. A parameter that needs a window raises error 13
// "Type mismatch" when it is given another object.
class KORTOOLS_API HostObject {
 public:
  virtual ~HostObject();
};

using Object = std::shared_ptr<HostObject>;

// A host window. Bounds are in the host's window unit; WindowState is 0
// normal, 1 minimized, 2 maximized. A window that cannot be moved or sized in
// its present state raises error 384 from Move or from setting WindowState.
class KORTOOLS_API HostWindow : public HostObject {
 public:
  virtual Single Left() const = 0;
  virtual Single Top() const = 0;
  virtual Single Width() const = 0;
  virtual Single Height() const = 0;
  virtual Integer WindowState() const = 0;
  virtual Integer BorderStyle() const = 0;
  virtual void SetWindowState(Integer state) = 0;
  virtual void Move(Single left, std::optional<Single> top = std::nullopt, std::optional<Single> width = std::nullopt,
                    std::optional<Single> height = std::nullopt) = 0;
};

}  // namespace kor
