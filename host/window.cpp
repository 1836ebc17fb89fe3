#include "host/window.h"

#include <cmath>

#include "host/convert.h"
#include "kortools/error.h"
#include "kortools/variant.h"

namespace kor::host {
namespace {

[[noreturn]] void NotAWindow() { throw Error::Runtime(13); }

}  // namespace

std::shared_ptr<RecordingWindow> RecordingWindow::FromJson(const json::Value& v) {
  if (v.kind() != json::Value::Kind::Object) NotAWindow();
  const json::Value* props = v.Find("window");
  if (!props || props->kind() != json::Value::Kind::Object) NotAWindow();
  for (const auto& m : v.object())
    if (m.key != u"window" && m.key != u"refuse") NotAWindow();

  Bounds b;
  for (const auto& m : props->object()) {
    // Each property converts as the window's own property type does.
    const Variant n = Double{NumberOf(m.value)};
    if (m.key == u"Left")
      b.left = ChangeType<Single>(n);
    else if (m.key == u"Top")
      b.top = ChangeType<Single>(n);
    else if (m.key == u"Width")
      b.width = ChangeType<Single>(n);
    else if (m.key == u"Height")
      b.height = ChangeType<Single>(n);
    else if (m.key == u"WindowState")
      b.windowState = ChangeType<Integer>(n);
    else if (m.key == u"BorderStyle")
      b.borderStyle = ChangeType<Integer>(n);
    else
      NotAWindow();
  }

  bool refuseMove = false, refuseState = false;
  if (const json::Value* refuse = v.Find("refuse")) {
    if (refuse->kind() != json::Value::Kind::Array) NotAWindow();
    for (const auto& op : refuse->array()) {
      if (op.kind() != json::Value::Kind::String) NotAWindow();
      if (op.string() == u"Move")
        refuseMove = true;
      else if (op.string() == u"WindowState")
        refuseState = true;
      else
        NotAWindow();
    }
  }
  return std::make_shared<RecordingWindow>(b, refuseMove, refuseState);
}

json::Value RecordingWindow::ToJson() const {
  json::Value props = json::Value::Object();
  props.Add("Left", json::Value::Single(bounds_.left))
      .Add("Top", json::Value::Single(bounds_.top))
      .Add("Width", json::Value::Single(bounds_.width))
      .Add("Height", json::Value::Single(bounds_.height))
      .Add("WindowState", json::Value::Whole(bounds_.windowState))
      .Add("BorderStyle", json::Value::Whole(bounds_.borderStyle));
  json::Value out = json::Value::Object();
  out.Add("window", std::move(props)).Add("calls", calls_);
  return out;
}

void RecordingWindow::SetWindowState(Integer state) {
  if (refuseWindowState_) throw Error::Runtime(384);
  bounds_.windowState = state;
  calls_.Push(json::Value::Array({json::Value::String(u"WindowState"), json::Value::Whole(state)}));
}

void RecordingWindow::Move(Single left, std::optional<Single> top, std::optional<Single> width,
                           std::optional<Single> height) {
  if (refuseMove_) throw Error::Runtime(384);
  json::Value call = json::Value::Array({json::Value::String(u"Move"), json::Value::Single(left)});
  bounds_.left = left;
  // Move takes its arguments in order: a later one only with the earlier ones.
  for (auto [value, field] : {std::pair{top, &bounds_.top}, {width, &bounds_.width}, {height, &bounds_.height}}) {
    if (!value) break;
    *field = *value;
    call.Push(json::Value::Single(*value));
  }
  calls_.Push(std::move(call));
}

}  // namespace kor::host
