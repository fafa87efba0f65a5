// X11 backend of the global hot keys: a passive grab of the key on the root
// window, for each combination of the lock modifiers that must not matter
// (none, NumLock = Mod2, CapsLock = Lock, both). The X server then sends the
// key press to this client whichever window has the focus, and to no other.
// A grab that another client holds answers BadAccess: that hot key is not
// registered (the variants grabbed before it are released again).
#include "platform/global_hotkeys.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <array>
#include <cstdlib>
#include <map>
#include <vector>

namespace vpo::platform {
namespace {

constexpr std::array<uint16_t, 4> kLockVariants = {
    0, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK};
constexpr uint16_t kIgnoredModifiers = XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK;

// Windows virtual key -> X keysym, for the keys a hot key can use.
xcb_keysym_t KeysymFor(unsigned vk) {
  if (vk >= 'A' && vk <= 'Z') return vk - 'A' + 'a';  // XK_a .. XK_z
  if (vk >= '0' && vk <= '9') return vk;             // XK_0 .. XK_9
  if (vk >= 0x70 && vk <= 0x87) return 0xffbe + (vk - 0x70);  // F1..F24
  switch (vk) {
    case 0x08: return 0xff08;  // BackSpace
    case 0x09: return 0xff09;  // Tab
    case 0x0D: return 0xff0d;  // Return
    case 0x1B: return 0xff1b;  // Escape
    case 0x20: return 0x0020;  // space
    case 0x2D: return 0xff63;  // Insert
    case 0x2E: return 0xffff;  // Delete
    case 0x24: return 0xff50;  // Home
    case 0x23: return 0xff57;  // End
    case 0x21: return 0xff55;  // Prior
    case 0x22: return 0xff56;  // Next
    case 0x25: return 0xff51;  // Left
    case 0x26: return 0xff52;  // Up
    case 0x27: return 0xff53;  // Right
    case 0x28: return 0xff54;  // Down
    default: return 0;
  }
}

uint16_t XModifiersFor(unsigned mods) {
  uint16_t x = 0;
  if (mods & kModAlt) x |= XCB_MOD_MASK_1;
  if (mods & kModControl) x |= XCB_MOD_MASK_CONTROL;
  if (mods & kModShift) x |= XCB_MOD_MASK_SHIFT;
  if (mods & kModWin) x |= XCB_MOD_MASK_4;
  return x;
}

struct Grab {
  std::vector<xcb_keycode_t> keycodes;
  uint16_t modifiers = 0;
};

}  // namespace

struct GlobalHotKeys::Impl {
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = XCB_NONE;
  xcb_key_symbols_t* symbols = nullptr;
  std::map<int, Grab> grabs;

  void Ungrab(xcb_keycode_t keycode, uint16_t modifiers) {
    for (uint16_t lock : kLockVariants) xcb_ungrab_key(connection, keycode, root, modifiers | lock);
  }
};

GlobalHotKeys::GlobalHotKeys(HotKeyTarget target) : impl_(std::make_unique<Impl>()) {
  auto* c = static_cast<xcb_connection_t*>(target.connection);
  if (c == nullptr || xcb_connection_has_error(c)) return;
  impl_->connection = c;
  impl_->root = static_cast<xcb_window_t>(target.window);
  if (impl_->root == XCB_NONE) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    if (it.rem > 0) impl_->root = it.data->root;
  }
  impl_->symbols = xcb_key_symbols_alloc(c);
  if (impl_->root == XCB_NONE || impl_->symbols == nullptr) {
    if (impl_->symbols) xcb_key_symbols_free(impl_->symbols);
    impl_->symbols = nullptr;
    impl_->connection = nullptr;
  }
}

GlobalHotKeys::~GlobalHotKeys() {
  if (!Available()) return;
  while (!impl_->grabs.empty()) Unregister(impl_->grabs.begin()->first);
  xcb_flush(impl_->connection);
  xcb_key_symbols_free(impl_->symbols);
}

bool GlobalHotKeys::Available() const { return impl_->connection != nullptr; }

bool GlobalHotKeys::Register(int id, unsigned modifiers, unsigned virtualKey) {
  if (!Available() || impl_->grabs.count(id) != 0) return false;
  xcb_keysym_t keysym = KeysymFor(virtualKey);
  if (keysym == 0) return false;
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(impl_->symbols, keysym);
  if (codes == nullptr) return false;
  Grab grab;
  grab.modifiers = XModifiersFor(modifiers);
  for (xcb_keycode_t* k = codes; *k != XCB_NO_SYMBOL; ++k) grab.keycodes.push_back(*k);
  std::free(codes);
  if (grab.keycodes.empty()) return false;

  // Send every grab, then collect the answers: one round trip per request
  // would be needlessly slow, and the requests are independent.
  std::vector<xcb_void_cookie_t> cookies;
  for (xcb_keycode_t keycode : grab.keycodes) {
    for (uint16_t lock : kLockVariants) {
      cookies.push_back(xcb_grab_key_checked(impl_->connection, /*owner_events=*/0, impl_->root,
                                             grab.modifiers | lock, keycode, XCB_GRAB_MODE_ASYNC,
                                             XCB_GRAB_MODE_ASYNC));
    }
  }
  bool ok = true;
  for (xcb_void_cookie_t cookie : cookies) {
    if (xcb_generic_error_t* error = xcb_request_check(impl_->connection, cookie)) {
      ok = false;  // BadAccess: another client holds this combination
      std::free(error);
    }
  }
  if (!ok) {
    // Releasing a variant that we did not get is harmless: an ungrab only
    // ever removes this client's own grabs.
    for (xcb_keycode_t keycode : grab.keycodes) impl_->Ungrab(keycode, grab.modifiers);
    xcb_flush(impl_->connection);
    return false;
  }
  impl_->grabs.emplace(id, std::move(grab));
  return true;
}

void GlobalHotKeys::Unregister(int id) {
  if (!Available()) return;
  auto it = impl_->grabs.find(id);
  if (it == impl_->grabs.end()) return;
  for (xcb_keycode_t keycode : it->second.keycodes) impl_->Ungrab(keycode, it->second.modifiers);
  impl_->grabs.erase(it);
  xcb_flush(impl_->connection);
}

std::optional<int> GlobalHotKeys::MatchNativeEvent(std::string_view eventType, void* message) const {
  if (!Available() || message == nullptr || eventType != "xcb_generic_event_t") return std::nullopt;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return std::nullopt;
  auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
  if (press->root != impl_->root) return std::nullopt;
  const uint16_t state = press->state & ~kIgnoredModifiers & 0xff;
  for (const auto& [id, grab] : impl_->grabs) {
    if (grab.modifiers != state) continue;
    for (xcb_keycode_t keycode : grab.keycodes) {
      if (keycode == press->detail) return id;
    }
  }
  return std::nullopt;
}

}  // namespace vpo::platform
