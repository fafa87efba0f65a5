#include "shell/application.h"

#include <QMessageBox>

#include "links/errors.h"

namespace vpo::shell {

QString ApplicationTitle() { return QStringLiteral("ЗЕЛ Анализатор ВПО v1.0"); }

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv), presenter_(&Application::ShowExceptionBox) {
  // The title is not set as the application display name: on X11 Qt would
  // append it to every other window's caption ("FormTest — ...").
  setApplicationName(QStringLiteral("vpo-analyzer"));
  setApplicationVersion(QStringLiteral("1.0"));
}

Application::~Application() = default;

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportCurrentException();
    return false;
  }
}

void Application::SetExceptionPresenter(ExceptionPresenter presenter) {
  presenter_ = presenter ? std::move(presenter) : ExceptionPresenter(&Application::ShowExceptionBox);
}

void Application::ReportCurrentException() {
  QString text;
  try {
    throw;
  } catch (const vpo::Abort&) {
    return;  // the silent kind
  } catch (const std::exception& e) {
    text = QString::fromUtf8(e.what());
  } catch (...) {
    // Reported as an exception with the empty message.
  }
  auto* app = qobject_cast<Application*>(QCoreApplication::instance());
  ExceptionPresenter presenter = app ? app->presenter_ : ExceptionPresenter(&Application::ShowExceptionBox);
  try {
    presenter(ApplicationTitle(), text);
  } catch (...) {
    // Showing the report must not throw into Qt; nothing more can be done.
  }
}

void Application::ShowExceptionBox(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace vpo::shell
