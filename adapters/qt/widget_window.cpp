#include "kortools/qt/widget_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "kortools/error.h"

namespace kor::qt {
namespace {

int Pixels(Single v) {
  if (!std::isfinite(v) || std::fabs(v) > 16777215.0f) throw Error::Runtime(6);  // QWIDGETSIZE_MAX
  return static_cast<int>(std::lround(v));
}

bool FixedSize(const QWidget& w) {
  return w.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint) || w.minimumSize() == w.maximumSize();
}

}  // namespace

WidgetWindow::WidgetWindow(QWidget* widget) : widget_(widget) {}

QWidget& WidgetWindow::Live() const {
  if (widget_.isNull()) throw Error::Runtime(91);
  return *widget_;
}

Single WidgetWindow::Left() const { return static_cast<Single>(Live().pos().x()); }
Single WidgetWindow::Top() const { return static_cast<Single>(Live().pos().y()); }
Single WidgetWindow::Width() const { return static_cast<Single>(Live().width()); }
Single WidgetWindow::Height() const { return static_cast<Single>(Live().height()); }

Integer WidgetWindow::WindowState() const {
  const Qt::WindowStates s = Live().windowState();
  if (s.testFlag(Qt::WindowMinimized)) return 1;
  if (s.testFlag(Qt::WindowMaximized) || s.testFlag(Qt::WindowFullScreen)) return 2;
  return 0;
}

Integer WidgetWindow::BorderStyle() const {
  const QWidget& w = Live();
  if (w.windowFlags().testFlag(Qt::FramelessWindowHint)) return 0;
  switch (w.windowType()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::SplashScreen: return 0;
    case Qt::Tool: return FixedSize(w) ? 4 : 5;
    case Qt::Dialog:
    case Qt::Sheet: return FixedSize(w) ? 3 : 2;
    default: return FixedSize(w) ? 1 : 2;
  }
}

void WidgetWindow::SetWindowState(Integer state) {
  QWidget& w = Live();
  const Qt::WindowStates now = w.windowState();
  switch (state) {
    case 0: w.setWindowState(now & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)); break;
    case 1: w.setWindowState(now | Qt::WindowMinimized); break;
    case 2: w.setWindowState((now & ~(Qt::WindowMinimized | Qt::WindowFullScreen)) | Qt::WindowMaximized); break;
    default: throw Error(380, u"Invalid property value");
  }
}

void WidgetWindow::Move(Single left, std::optional<Single> top, std::optional<Single> width,
                        std::optional<Single> height) {
  QWidget& w = Live();
  if (WindowState() != 0) throw Error::Runtime(384);
  const int x = Pixels(left);
  const int y = top ? Pixels(*top) : w.y();
  const int cx = width ? std::max(0, Pixels(*width)) : w.width();
  const int cy = height ? std::max(0, Pixels(*height)) : w.height();
  w.move(x, y);
  if (width || height) w.resize(cx, cy);
}

Object WindowOf(QWidget* widget) { return std::make_shared<WidgetWindow>(widget); }

ScreenSize PrimaryScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return ScreenSize{};
  const QSize size = screen->geometry().size();
  return ScreenSize{static_cast<Single>(size.width()), static_cast<Single>(size.height())};
}

void UseQtScreen() {
  HostHooks hooks = GetHostHooks();
  hooks.screen = [] { return PrimaryScreenSize(); };
  SetHostHooks(std::move(hooks));
}

}  // namespace kor::qt
