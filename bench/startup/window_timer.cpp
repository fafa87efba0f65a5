// Start-up of a GUI program on an X server without a window manager (Xvfb):
// the time from spawning it to the mapping of its first window with the
// given title, and its peak memory (VmHWM) once that window is up.
//
//   bench_window_timer [--runs N] [--settle MS] --title TITLE -- PROGRAM [ARGS...]
//
// Each run spawns the program, waits for the MapNotify of a top-level window
// titled TITLE (_NET_WM_NAME or WM_NAME) that belongs to it (_NET_WM_PID),
// waits MS milliseconds more (default 300) so the first paint is done, reads
// /proc/PID/status, then ends the program. One warm-up run is not counted.
// Prints one line: "startup_ms=<median> vmhwm_kb=<median> runs=<N>".
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

std::optional<std::string> Property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
  xcb_get_property_reply_t* reply =
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
  if (reply == nullptr) return std::nullopt;
  std::optional<std::string> value;
  if (reply->type != XCB_ATOM_NONE) {
    value.emplace(static_cast<const char*>(xcb_get_property_value(reply)),
                  static_cast<size_t>(xcb_get_property_value_length(reply)));
  }
  std::free(reply);
  return value;
}

long VmHwmKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

struct Run {
  double ms = 0;
  long hwmKb = 0;
};

std::optional<Run> RunOnce(xcb_connection_t* c, const std::string& title, char** argv,
                           int settleMs, int timeoutMs) {
  const xcb_atom_t netWmName = Atom(c, "_NET_WM_NAME");
  const xcb_atom_t netWmPid = Atom(c, "_NET_WM_PID");
  // Drain what earlier runs left in the queue.
  while (xcb_generic_event_t* e = xcb_poll_for_event(c)) std::free(e);

  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  posix_spawn_file_actions_t quiet;  // the program's own chatter stays out of the figures
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const int spawned = posix_spawn(&pid, argv[0], &quiet, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) {
    std::perror("bench_window_timer: spawn");
    return std::nullopt;
  }
  std::optional<Run> run;
  const int fd = xcb_get_file_descriptor(c);
  while (!run) {
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (elapsed > timeoutMs) {
      std::fprintf(stderr, "bench_window_timer: no window titled '%s' within %d ms\n", title.c_str(), timeoutMs);
      break;
    }
    xcb_generic_event_t* event = xcb_poll_for_event(c);
    if (event == nullptr) {
      if (xcb_connection_has_error(c)) break;
      fd_set read;
      FD_ZERO(&read);
      FD_SET(fd, &read);
      timeval wait{0, 20000};
      select(fd + 1, &read, nullptr, nullptr, &wait);
      continue;
    }
    if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
      const Clock::time_point mapped = Clock::now();
      const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
      std::optional<std::string> name = Property(c, window, netWmName);
      if (!name) name = Property(c, window, XCB_ATOM_WM_NAME);
      const std::optional<std::string> owner = Property(c, window, netWmPid);
      uint32_t ownerPid = 0;
      if (owner && owner->size() == 4) std::memcpy(&ownerPid, owner->data(), 4);
      if (name && *name == title && ownerPid == static_cast<uint32_t>(pid)) {
        run = Run{std::chrono::duration<double, std::milli>(mapped - start).count(), 0};
      }
    }
    std::free(event);
  }
  if (run) {
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    run->hwmKb = VmHwmKb(pid);
  }
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  return run;
}

template <typename T>
T Median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int Usage() {
  std::fprintf(stderr, "usage: bench_window_timer [--runs N] [--settle MS] --title TITLE -- PROGRAM [ARGS...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 10;
  int settleMs = 300;
  std::string title;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (i + 1 >= argc) return Usage();
    if (arg == "--runs") runs = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--settle") settleMs = std::max(0, std::atoi(argv[++i]));
    else if (arg == "--title") title = argv[++i];
    else return Usage();
  }
  if (title.empty() || i >= argc) return Usage();
  char** program = argv + i;

  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "bench_window_timer: cannot open the display\n");
    return 2;
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(c);

  std::vector<double> ms;
  std::vector<long> hwm;
  for (int r = 0; r <= runs; ++r) {
    const std::optional<Run> run = RunOnce(c, title, program, settleMs, 30000);
    if (!run) {
      xcb_disconnect(c);
      return 1;
    }
    if (r == 0) continue;  // warm-up: caches, fonts
    ms.push_back(run->ms);
    hwm.push_back(run->hwmKb);
  }
  xcb_disconnect(c);
  std::printf("startup_ms=%.1f vmhwm_kb=%ld runs=%d\n", Median(ms), Median(hwm), runs);
  return 0;
}
