// The smallest Qt Widgets program that shows a window: the yardstick that the
// start-up benchmark measures vpo-analyzer against. With --text the window
// also holds one push button with a caption, so that fonts are loaded as in
// any window that shows text.
#include <QApplication>
#include <QPushButton>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("minimal-qt-window");
  window.resize(389, 93);
  if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
    auto* button = new QPushButton(QStringLiteral("Инициализация"), &window);
    button->setGeometry(76, 4, 309, 20);
  }
  window.show();
  return app.exec();
}
