// Windows backend of the global hot keys: RegisterHotKey on the main window;
// the system then posts WM_HOTKEY with the id in wParam.
#include "platform/global_hotkeys.h"

#include <windows.h>

#include <set>

namespace vpo::platform {

struct GlobalHotKeys::Impl {
  HWND window = nullptr;
  std::set<int> registered;
};

GlobalHotKeys::GlobalHotKeys(HotKeyTarget target) : impl_(std::make_unique<Impl>()) {
  impl_->window = reinterpret_cast<HWND>(target.window);
}

GlobalHotKeys::~GlobalHotKeys() {
  while (!impl_->registered.empty()) Unregister(*impl_->registered.begin());
}

bool GlobalHotKeys::Available() const { return impl_->window != nullptr; }

bool GlobalHotKeys::Register(int id, unsigned modifiers, unsigned virtualKey) {
  if (!Available() || impl_->registered.count(id) != 0) return false;
  if (!RegisterHotKey(impl_->window, id, modifiers, virtualKey)) return false;
  impl_->registered.insert(id);
  return true;
}

void GlobalHotKeys::Unregister(int id) {
  if (!Available() || impl_->registered.erase(id) == 0) return;
  UnregisterHotKey(impl_->window, id);
}

std::optional<int> GlobalHotKeys::MatchNativeEvent(std::string_view eventType, void* message) const {
  if (!Available() || message == nullptr) return std::nullopt;
  if (eventType != "windows_generic_MSG" && eventType != "windows_dispatcher_MSG") return std::nullopt;
  const MSG* msg = static_cast<const MSG*>(message);
  if (msg->message != WM_HOTKEY) return std::nullopt;  // 0x0312
  const int id = static_cast<int>(msg->wParam);
  if (impl_->registered.count(id) == 0) return std::nullopt;
  return id;
}

}  // namespace vpo::platform
