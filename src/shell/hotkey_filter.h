#pragma once
// The counterpart of TApplicationEvents.OnMessage for the hot keys: a native
// event filter on the application that turns the platform's hot key event
// into ApplicationEventsMessage(id). The event itself goes on as usual.

#include <QAbstractNativeEventFilter>
#include <QByteArray>

#include <functional>

#include "platform/global_hotkeys.h"

class QWidget;

namespace vpo::shell {

class HotKeyEventFilter : public QAbstractNativeEventFilter {
 public:
  HotKeyEventFilter(const vpo::platform::GlobalHotKeys& hotKeys, std::function<void(int)> onHotKey);
  ~HotKeyEventFilter() override;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  const vpo::platform::GlobalHotKeys& hotKeys_;
  std::function<void(int)> onHotKey_;
};

// The handles that the platform's hot key backend needs for `mainWindow`
// (X11: the application's xcb connection and root window; Windows: the
// window's HWND, created here if need be). Null where there is no such
// window system (Wayland, offscreen).
vpo::platform::HotKeyTarget NativeHotKeyTarget(QWidget* mainWindow);

}  // namespace vpo::shell
