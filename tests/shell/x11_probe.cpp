// A small X11 helper for the hot-key tests under Xvfb (no window manager):
//   x11_probe close WINDOW   sends WM_DELETE_WINDOW to WINDOW, as a window
//                            manager's close button would.
//   x11_probe keylog TITLE   opens a window titled TITLE, gives it the input
//                            focus, prints "ready WINDOW", then one line per
//                            key press it receives: "press KEYCODE STATE
//                            KEYSYM" (hex keysym), flushed at once.
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

int Close(xcb_connection_t* c, xcb_window_t window) {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = Atom(c, "WM_PROTOCOLS");
  event.data.data32[0] = Atom(c, "WM_DELETE_WINDOW");
  event.data.data32[1] = XCB_CURRENT_TIME;
  xcb_void_cookie_t cookie = xcb_send_event_checked(c, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                    reinterpret_cast<const char*>(&event));
  if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
    std::fprintf(stderr, "x11_probe: close failed (error %d)\n", error->error_code);
    std::free(error);
    return 1;
  }
  return 0;
}

int KeyLog(xcb_connection_t* c, const std::string& title) {
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  xcb_window_t window = xcb_generate_id(c);
  const uint32_t values[] = {screen->white_pixel,
                             XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 10, 10, 200, 100, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                    values);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      static_cast<uint32_t>(title.size()), title.data());
  xcb_map_window(c, window);
  xcb_flush(c);
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
  while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
    switch (event->response_type & 0x7f) {
      case XCB_MAP_NOTIFY:
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        std::printf("ready %u\n", window);
        std::fflush(stdout);
        break;
      case XCB_KEY_PRESS: {
        auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
        xcb_keysym_t keysym = xcb_key_symbols_get_keysym(symbols, press->detail, 0);
        std::printf("press %u %u 0x%x\n", press->detail, press->state, keysym);
        std::fflush(stdout);
        break;
      }
      default:
        break;
    }
    std::free(event);
  }
  xcb_key_symbols_free(symbols);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: x11_probe close WINDOW | keylog TITLE\n");
    return 2;
  }
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "x11_probe: cannot open the display\n");
    return 2;
  }
  const std::string command = argv[1];
  int rc = 2;
  if (command == "close") rc = Close(c, static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 0)));
  else if (command == "keylog") rc = KeyLog(c, argv[2]);
  xcb_disconnect(c);
  return rc;
}
