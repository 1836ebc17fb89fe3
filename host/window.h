// The window a request lends the library: {"window": {...}, "refuse": [...]}.
// It keeps its bounds and state, records every operation that acts on it, and
// raises error 384 for the operations the request refuses.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "host/json.h"
#include "kortools/object.h"

namespace kor::host {

class RecordingWindow final : public HostWindow {
 public:
  struct Bounds {
    Single left = 0, top = 0, width = 0, height = 0;
    Integer windowState = 0;
    Integer borderStyle = 2;  // sizable, a new form's default
  };

  RecordingWindow(Bounds bounds, bool refuseMove, bool refuseWindowState)
      : bounds_(bounds), refuseMove_(refuseMove), refuseWindowState_(refuseWindowState) {}

  // The window of a request value; error 13 when `v` is not the window form.
  static std::shared_ptr<RecordingWindow> FromJson(const json::Value& v);
  // {"window": {...its properties now...}, "calls": [...every operation...]}
  json::Value ToJson() const;

  Single Left() const override { return bounds_.left; }
  Single Top() const override { return bounds_.top; }
  Single Width() const override { return bounds_.width; }
  Single Height() const override { return bounds_.height; }
  Integer WindowState() const override { return bounds_.windowState; }
  Integer BorderStyle() const override { return bounds_.borderStyle; }
  void SetWindowState(Integer state) override;
  void Move(Single left, std::optional<Single> top, std::optional<Single> width, std::optional<Single> height) override;

 private:
  Bounds bounds_;
  bool refuseMove_;
  bool refuseWindowState_;
  json::Value calls_ = json::Value::Array();
};

}  // namespace kor::host
