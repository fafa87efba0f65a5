// The smallest Qt Widgets program that shows a window: the yardstick that the
// start-up benchmark measures vpo-analyzer against.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("minimal-qt-window");
  window.resize(389, 93);
  window.show();
  return app.exec();
}
