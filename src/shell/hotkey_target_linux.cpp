// X11: the hot keys are grabbed on the root window over the application's
// own xcb connection, so that the key presses arrive in Qt's event stream.
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include "shell/hotkey_filter.h"

namespace vpo::shell {

vpo::platform::HotKeyTarget NativeHotKeyTarget(QWidget*) {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app == nullptr) return {};
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return {};  // Wayland, offscreen
  xcb_connection_t* connection = x11->connection();
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  if (screens.rem == 0) return {};
  return {connection, screens.data->root};
}

}  // namespace vpo::shell
