// A Qt window that comes back where it was: run it, move and resize the
// window (or maximize it), close it, and run it again.
//
//   qt_window                    settings in ~/.config/kortools-qt-window.ini
//   qt_window /tmp/w.ini         settings in the file given
//   qt_window /tmp/w.ini 1500    closes itself after 1.5 seconds
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

#include "kortools/error.h"
#include "kortools/korINI.h"
#include "kortools/paths.h"
#include "kortools/qt/widget_window.h"

namespace {

class MainWindow : public QWidget {
 public:
  explicit MainWindow(kor::String iniFile) : file_(std::move(iniFile)) {
    setWindowTitle("korTools: window settings");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel("Move, resize or maximize this window and close it.\n"
                   "It opens the same way next time.",
                   this));
    resize(480, 160);
    ini_.ReadWindowSettings(form_, file_);  // ignores every error of its own
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    try {
      ini_.WriteWindowInIni(form_, file_);
    } catch (const kor::Error& e) {
      std::fprintf(stderr, "qt_window: settings not saved: %s\n", e.what());
    }
    event->accept();
  }

 private:
  kor::korINI ini_;
  kor::Object form_ = kor::qt::WindowOf(this);
  kor::String file_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kor::qt::UseQtScreen();

  const QString file =
      argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::homePath() + "/.config/kortools-qt-window.ini";
  QDir().mkpath(QFileInfo(file).absolutePath());
  MainWindow window(kor::ToWindowsPath(file.toStdU16String()));
  window.show();
  if (argc > 2) QTimer::singleShot(QString::fromLocal8Bit(argv[2]).toInt(), &window, &QWidget::close);
  return app.exec();
}
