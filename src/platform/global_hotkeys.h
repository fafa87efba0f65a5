#pragma once
// System-wide hot keys: a key combination that reaches this
// program whichever window has the focus, and no other window. No Qt here,
// so that the Windows build compiles it as it stands; the shell hands in the
// native handles and feeds the native events back through MatchNativeEvent.
//
// Backends: global_hotkeys_win.cpp (RegisterHotKey on the main window,
// WM_HOTKEY) and global_hotkeys_linux.cpp (a passive key grab on the X11
// root window through xcb). Where there is no window system that supports
// it (Wayland, Qt's offscreen platform) the handles are null, every Register
// fails and the program runs without hot keys.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace vpo::platform {

// Modifier bits, with the values of the Windows MOD_* constants.
enum HotKeyModifier : unsigned {
  kModAlt = 0x1,
  kModControl = 0x2,
  kModShift = 0x4,
  kModWin = 0x8,
};

// Virtual key codes used by the program (Windows VK_* values). Letters and
// digits are their upper-case ASCII codes ('R' = 0x52).
inline constexpr unsigned kVkReturn = 0x0D;

// Where the hot keys are registered.
//   Windows: `window` is the main window's HWND; `connection` is unused.
//   X11: `connection` is the xcb_connection_t* of the application and
//        `window` the root window id (0: the first screen's root).
// A null target means "no hot keys on this platform".
struct HotKeyTarget {
  void* connection = nullptr;
  std::uintptr_t window = 0;
};

class GlobalHotKeys {
 public:
  explicit GlobalHotKeys(HotKeyTarget target);
  ~GlobalHotKeys();  // unregisters whatever is still registered
  GlobalHotKeys(const GlobalHotKeys&) = delete;
  GlobalHotKeys& operator=(const GlobalHotKeys&) = delete;

  // False when the target is null: no hot keys can ever be registered.
  bool Available() const;

  // Registers hot key `id` (modifiers: HotKeyModifier bits; virtualKey: a
  // Windows virtual key code). False when another program holds the
  // combination, when the key is unknown, or when hot keys are unavailable;
  // the id is then not registered and never arrives. Registering an id that
  // is registered already fails.
  bool Register(int id, unsigned modifiers, unsigned virtualKey);

  // Releases hot key `id`; nothing happens when it is not registered.
  void Unregister(int id);

  // The native event that Qt hands to a QAbstractNativeEventFilter: its
  // event type ("xcb_generic_event_t", "windows_generic_MSG") and message
  // (xcb_generic_event_t*, MSG*). Returns the id of the registered hot key
  // whose press this event is, or nothing.
  std::optional<int> MatchNativeEvent(std::string_view eventType, void* message) const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vpo::platform
