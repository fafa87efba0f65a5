// Linux: Qt's font database is built on fontconfig, whose FcInit() parses
// the configuration and maps the font caches once per process; it is safe
// to call from any thread, and Qt's own later call finds it done. The library
// is looked up among those already loaded (Qt's GUI library brings it), so a
// Qt built without fontconfig makes this a no-op, and the program gains no
// link dependency of its own.
#include <dlfcn.h>

#include "shell/font_warmup.h"

namespace vpo::shell {

namespace {

using FcInitFunction = int (*)();

FcInitFunction LoadedFcInit() {
  void* library = dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_NOLOAD);
  if (library == nullptr) return nullptr;
  auto init = reinterpret_cast<FcInitFunction>(dlsym(library, "FcInit"));
  dlclose(library);  // only drops the reference taken above: Qt holds its own
  return init;
}

}  // namespace

FontConfigWarmUp::FontConfigWarmUp() {
  if (FcInitFunction init = LoadedFcInit()) {
    try {
      worker_ = std::thread([init] { init(); });
    } catch (...) {
      // No thread: Qt reads the configuration itself when it needs it.
    }
  }
}

FontConfigWarmUp::~FontConfigWarmUp() { Wait(); }

void FontConfigWarmUp::Wait() {
  if (worker_.joinable()) worker_.join();
}

}  // namespace vpo::shell
