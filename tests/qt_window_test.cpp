// The Qt window adapter on Qt's offscreen platform: what the widgets report,
// and a window's placement saved and put back through korINI.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QWidget>
#include <memory>

#include "kortools/korINI.h"
#include "kortools/qt/widget_window.h"
#include "tests/test_support.h"

namespace kor {
namespace {

using testing_support::ErrorOf;
using testing_support::TempFolder;

TEST(QtWidgetWindow, BorderStyleFollowsTheWindowFlags) {
  const struct {
    Qt::WindowFlags flags;
    bool fixed;
    Integer style;
  } cases[] = {
      {Qt::Window, false, 2},
      {Qt::Window, true, 1},
      {Qt::Window | Qt::MSWindowsFixedSizeDialogHint, false, 1},
      {Qt::Dialog | Qt::FramelessWindowHint, true, 0},
      {Qt::Dialog, true, 3},
      {Qt::Tool, false, 5},
      {Qt::Tool, true, 4},
  };
  for (const auto& c : cases) {
    QWidget w(nullptr, c.flags);
    if (c.fixed) w.setFixedSize(300, 200);
    EXPECT_EQ(qt::WidgetWindow(&w).BorderStyle(), c.style) << &c - cases;
  }
}

TEST(QtWidgetWindow, StatesBoundsAndRefusals) {
  QWidget w;
  w.setGeometry(40, 30, 320, 240);
  w.show();
  qt::WidgetWindow form(&w);
  EXPECT_EQ(form.WindowState(), 0);
  // The frame's position (offscreen windows have a frame too) and the client
  // area's size.
  EXPECT_EQ(form.Left(), w.frameGeometry().x());
  EXPECT_EQ(form.Top(), w.frameGeometry().y());
  EXPECT_EQ(form.Width(), 320);
  EXPECT_EQ(form.Height(), 240);

  form.Move(10.4f, 20.6f, 200.4f);  // whole pixels; the height stays
  EXPECT_EQ(w.frameGeometry().topLeft(), QPoint(10, 21));
  EXPECT_EQ(w.size(), QSize(200, 240));

  form.SetWindowState(2);
  EXPECT_TRUE(w.isMaximized());
  EXPECT_EQ(form.WindowState(), 2);
  EXPECT_EQ(ErrorOf([&] { form.Move(0, 0, 10, 10); }), 384);
  form.SetWindowState(1);
  EXPECT_EQ(form.WindowState(), 1);
  form.SetWindowState(0);
  EXPECT_EQ(form.WindowState(), 0);
  EXPECT_EQ(ErrorOf([&] { form.SetWindowState(3); }), 380);
  EXPECT_EQ(ErrorOf([&] { form.Move(1e30f, 0); }), 6);
  w.setWindowState(Qt::WindowFullScreen);
  EXPECT_EQ(form.WindowState(), 2);

  auto gone = std::make_unique<QWidget>();
  qt::WidgetWindow orphan(gone.get());
  gone.reset();
  EXPECT_EQ(orphan.widget(), nullptr);
  EXPECT_EQ(ErrorOf([&] { orphan.SetWindowState(0); }), 91);
}

TEST(QtWidgetWindow, PlacementSavedAndRestoredThroughTheIniFile) {
  TempFolder dir;
  qt::UseQtScreen();
  korINI ini;
  String section = u"Main", file = dir.Name("qt.ini");

  QWidget first;
  first.setGeometry(120, 60, 400, 300);
  first.show();
  Object source = qt::WindowOf(&first);
  ini.WritePrivateWindowinIni(source, section, file);

  QWidget second;
  second.setGeometry(0, 0, 50, 50);
  Object target = qt::WindowOf(&second);
  ini.ReadPrivateWindow(target, section, &file);
  second.show();
  EXPECT_EQ(second.frameGeometry(), first.frameGeometry());
  EXPECT_FALSE(second.isMaximized());

  SetHostHooks({});
}

}  // namespace
}  // namespace kor

int main(int argc, char** argv) {
  // No display: Qt's offscreen platform.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
