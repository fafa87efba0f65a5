#include "shell/hotkey_filter.h"

#include <QCoreApplication>

#include <string_view>

#include "shell/application.h"

namespace vpo::shell {

HotKeyEventFilter::HotKeyEventFilter(const vpo::platform::GlobalHotKeys& hotKeys,
                                     std::function<void(int)> onHotKey)
    : hotKeys_(hotKeys), onHotKey_(std::move(onHotKey)) {
  if (QCoreApplication* app = QCoreApplication::instance()) app->installNativeEventFilter(this);
}

HotKeyEventFilter::~HotKeyEventFilter() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
}

bool HotKeyEventFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  const std::string_view type(eventType.constData(), static_cast<size_t>(eventType.size()));
  if (auto id = hotKeys_.MatchNativeEvent(type, message)) {
    Application::RunHandler([&] { onHotKey_(*id); });
  }
  // Handled stays false: the platform goes on with the event as usual.
  return false;
}

}  // namespace vpo::shell
