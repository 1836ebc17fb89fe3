// The Qt window adapter on Qt's offscreen platform: what the widgets report,
// and a window's placement saved and put back through korINI.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QScreen>
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
  struct Case {
    const char* name;
    Qt::WindowFlags flags;
    bool fixed;
    Integer style;
  };
  const Case cases[] = {
      {"window", Qt::Window, false, 2},
      {"fixed window", Qt::Window, true, 1},
      {"fixed-size hint", Qt::Window | Qt::MSWindowsFixedSizeDialogHint, false, 1},
      {"frameless", Qt::Window | Qt::FramelessWindowHint, false, 0},
      {"frameless dialog", Qt::Dialog | Qt::FramelessWindowHint, true, 0},
      {"splash screen", Qt::SplashScreen, false, 0},
      {"dialog", Qt::Dialog, false, 2},
      {"fixed dialog", Qt::Dialog, true, 3},
      {"fixed sheet", Qt::Sheet, true, 3},
      {"tool", Qt::Tool, false, 5},
      {"fixed tool", Qt::Tool, true, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QWidget w(nullptr, c.flags);
    if (c.fixed) w.setFixedSize(300, 200);
    EXPECT_EQ(qt::WidgetWindow(&w).BorderStyle(), c.style);
  }
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
  EXPECT_EQ(second.size(), QSize(400, 300));
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
