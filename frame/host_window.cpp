// Host windows: the host hands the library kor::HostWindow
// objects (a toolkit adapter, or the `kortools` host's window) and tells the
// screen size through its hooks.
#include "frame/host_window.h"
#include "kortools/error.h"
#include "kortools/host.h"

namespace kor::platform {
namespace {

// The form behind a null window reference: nothing can be asked of it.
class UnsetWindow final : public HostWindow {
 public:
  Single Left() const override { Unset(); }
  Single Top() const override { Unset(); }
  Single Width() const override { Unset(); }
  Single Height() const override { Unset(); }
  Integer WindowState() const override { Unset(); }
  Integer BorderStyle() const override { Unset(); }
  void SetWindowState(Integer) override { Unset(); }
  void Move(Single, std::optional<Single>, std::optional<Single>, std::optional<Single>) override { Unset(); }

 private:
  [[noreturn]] static void Unset() { throw Error::Runtime(91); }
};

ScreenSize Screen() {
  const auto& hook = GetHostHooks().screen;
  return hook ? hook() : ScreenSize{};
}

// The forms of every platform: the host lends its windows as HostWindow
// objects and tells the screen size through its hooks.
class HookHostForms final : public HostForms {
 public:
  std::shared_ptr<HostWindow> FormOf(const Object& object) const override {
    if (!object) return std::make_shared<UnsetWindow>();
    auto form = std::dynamic_pointer_cast<HostWindow>(object);
    if (!form) throw Error::Runtime(13);
    return form;
  }
  Single ScreenWidth() const override { return Screen().width; }
  Single ScreenHeight() const override { return Screen().height; }
};

}  // namespace

const HostForms& GetHostForms() {
  static const HookHostForms forms;
  return forms;
}

}  // namespace kor::platform
