#pragma once
// The application object: the one place where an exception that
// escapes an event handler is shown. QApplication::notify runs every event
// handler of the program; this class catches what leaves it, drops the silent
// kind (vpo::Abort) and shows any other in a message box captioned with the
// application title. The program then goes on.

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace vpo::shell {

// "ЗЕЛ Анализатор ВПО v1.0": the application title, the main window's
// caption and the caption of every message box.
QString ApplicationTitle();

class Application : public QApplication {
  Q_OBJECT
 public:
  // Shows one exception: caption, text. The default presenter opens a modal
  // QMessageBox (critical icon, OK button); tests replace it.
  using ExceptionPresenter = std::function<void(const QString& caption, const QString& text)>;

  Application(int& argc, char** argv);
  ~Application() override;

  bool notify(QObject* receiver, QEvent* event) override;

  void SetExceptionPresenter(ExceptionPresenter presenter);

  // Reports the exception being handled (call from inside a catch block):
  // vpo::Abort is dropped; std::exception (vpo::Error included) shows its
  // UTF-8 message; anything else shows an empty text.
  static void ReportCurrentException();

  // Runs `handler`, reporting any exception that leaves it. For code that Qt
  // calls outside notify(): slots reached from signals, native event
  // filters, the constructor and destructor steps of the windows.
  template <class Handler>
  static void RunHandler(Handler&& handler) noexcept {
    try {
      std::forward<Handler>(handler)();
    } catch (...) {
      ReportCurrentException();
    }
  }

  // The default presenter: the message box itself.
  static void ShowExceptionBox(const QString& caption, const QString& text);

 private:
  ExceptionPresenter presenter_;
};

}  // namespace vpo::shell
