// Windows: RegisterHotKey on the main window's handle (winId() creates the
// still hidden window, as asking for the window handle does).
#include <QWidget>

#include "shell/hotkey_filter.h"

namespace vpo::shell {

vpo::platform::HotKeyTarget NativeHotKeyTarget(QWidget* mainWindow) {
  if (mainWindow == nullptr) return {};
  return {nullptr, static_cast<std::uintptr_t>(mainWindow->winId())};
}

}  // namespace vpo::shell
