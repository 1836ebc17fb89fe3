// Qt 6 widgets as host windows: a top-level QWidget handed to korINI's window
// methods, and the Qt screen as the host's screen.
//
//   QApplication app(argc, argv);
//   kor::qt::UseQtScreen();                      // screen size for the window methods
//   QWidget window;
//   kor::Object form = kor::qt::WindowOf(&window);
//   kor::korINI ini;
//   kor::String file = u"Z:\\home\\ann\\.config\\app.ini";
//   ini.ReadWindowSettings(form, file);          // before show()
//   window.show();
//   ...
//   ini.WriteWindowInIni(form, file);            // when the window closes
//
// Bounds are in device-independent pixels: the position is that of the
// window's frame (QWidget::pos), the size that of its client area
// (QWidget::size). Qt learns the frame only when a window is shown, so these
// are the bounds that stay the same whether a window had been shown or not,
// and a window restored before show() comes back exactly as it was saved.
// The border style follows the window's flags:
//   0 no border        Qt::FramelessWindowHint, or a popup, tool tip or splash screen
//   1 fixed single     a window of fixed size (minimum size = maximum size, or
//                      Qt::MSWindowsFixedSizeDialogHint)
//   2 sizable          any other window, and a dialog that can be resized
//   3 fixed dialog     a Qt::Dialog or Qt::Sheet of fixed size
//   4 fixed tool window    a Qt::Tool of fixed size
//   5 sizable tool window  any other Qt::Tool
// Move raises error 384 while the window is minimized, maximized or full
// screen; every operation raises error 91 once the widget has been deleted.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

#include "kortools/host.h"
#include "kortools/object.h"

namespace kor::qt {

class WidgetWindow final : public HostWindow {
 public:
  explicit WidgetWindow(QWidget* widget);

  // The widget, or null once it has been deleted.
  QWidget* widget() const { return widget_.data(); }

  Single Left() const override;
  Single Top() const override;
  Single Width() const override;
  Single Height() const override;
  // 0 normal, 1 minimized, 2 maximized or full screen.
  Integer WindowState() const override;
  Integer BorderStyle() const override;
  // 0 shows the window normal, 1 minimized (it comes back maximized when it
  // was), 2 maximized; another value raises error 380.
  void SetWindowState(Integer state) override;
  // Whole pixels, rounded to the nearest (halves away from zero); the width
  // and height are the client area's.
  void Move(Single left, std::optional<Single> top = std::nullopt, std::optional<Single> width = std::nullopt,
            std::optional<Single> height = std::nullopt) override;

 private:
  QWidget& Live() const;
  QPointer<QWidget> widget_;
};

// The window object of a widget, to pass where a host window is wanted.
Object WindowOf(QWidget* widget);

// The size of the primary screen in device-independent pixels; 1920 x 1080
// when there is none.
ScreenSize PrimaryScreenSize();

// Makes the primary screen the host's screen (HostHooks::screen), keeping the
// other hooks. Call it on the thread that runs the widgets.
void UseQtScreen();

}  // namespace kor::qt
