// Windows: the system's fonts are known to the system itself; nothing to
// read ahead.
#include "shell/font_warmup.h"

namespace vpo::shell {

FontConfigWarmUp::FontConfigWarmUp() = default;
FontConfigWarmUp::~FontConfigWarmUp() { Wait(); }
void FontConfigWarmUp::Wait() {
  if (worker_.joinable()) worker_.join();
}

}  // namespace vpo::shell
