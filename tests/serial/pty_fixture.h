#pragma once
// A bare pseudo-terminal for tests that play the far end of the line
// themselves: the test holds the master, the code under test opens Path().

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "links/port_chooser.h"

namespace vpo::test {

class Pty {
 public:
  // keepDeviceOpen: the test also holds the device side, which keeps the
  // terminal (and its settings) alive across opens and closes by others.
  explicit Pty(bool keepDeviceOpen = true) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
      throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("ptsname");
    path_ = name;
    if (keepDeviceOpen) {
      slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
      if (slave_ < 0) throw std::runtime_error("cannot open " + path_);
    }
  }
  ~Pty() {
    CloseMaster();
    if (slave_ >= 0) close(slave_);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  const std::string& Path() const { return path_; }
  int Master() const { return master_; }
  int Device() const { return slave_; }  // -1 unless kept open

  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  void Write(uint8_t byte) const {
    if (write(master_, &byte, 1) != 1) throw std::runtime_error("write to master");
  }

  // Every byte that arrives at the master within `ms` of quiet.
  std::vector<uint8_t> ReadAll(int ms = 50) const {
    std::vector<uint8_t> bytes;
    for (;;) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, ms) <= 0 || !(p.revents & POLLIN)) return bytes;
      uint8_t buffer[64];
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) return bytes;
      bytes.insert(bytes.end(), buffer, buffer + n);
    }
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

// The port chooser of the window, as the link sees it.
class FixedChooser : public PortChooser {
 public:
  FixedChooser(std::string text, int index = -1) : text_(std::move(text)), index_(index) {}
  std::string PortText() const override { return text_; }
  int PortItemIndex() const override { return index_; }
  void Set(std::string text, int index = -1) {
    text_ = std::move(text);
    index_ = index;
  }

 private:
  std::string text_;
  int index_;
};

}  // namespace vpo::test
