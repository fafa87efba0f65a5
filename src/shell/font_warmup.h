#pragma once
// Start-up: the system's font configuration read on a second thread while
// the main thread connects to the display. The first window that shows text
// needs it, and reading it (dozens of configuration files and the font
// caches) is the largest single part of the program's start-up.

#include <thread>

namespace vpo::shell {

class FontConfigWarmUp {
 public:
  // Starts reading where the platform has something to read ahead;
  // elsewhere does nothing.
  FontConfigWarmUp();
  // Waits for the reading (Wait() if not called yet).
  ~FontConfigWarmUp();
  FontConfigWarmUp(const FontConfigWarmUp&) = delete;
  FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

  // Returns once the reading is done. Call it before the first widget is
  // created, so that Qt does not read the same configuration a second time
  // on the main thread.
  void Wait();

 private:
  std::thread worker_;
};

}  // namespace vpo::shell
