// Serial ports on Linux: terminal devices opened non-blocking, held
// exclusively, read with poll on the monotonic clock.
#include "platform/serial_port.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <tuple>

namespace vpo::platform {

struct SerialPort::Native {
  int fd = -1;
  termios tio{};  // what the latest GetState read
  bool haveTio = false;
  SerialTimeouts timeouts{};  // a Linux terminal has no time-outs of its own
};

namespace {

int64_t MonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

struct SpeedEntry {
  speed_t code;
  uint32_t rate;
};
constexpr SpeedEntry kSpeeds[] = {
    {B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},
    {B150, 150},       {B200, 200},       {B300, 300},       {B600, 600},
    {B1200, 1200},     {B1800, 1800},     {B2400, 2400},     {B4800, 4800},
    {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
    {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

uint32_t RateOf(speed_t code) {
  for (const auto& s : kSpeeds)
    if (s.code == code) return s.rate;
  return 0;
}

bool CodeOf(uint32_t rate, speed_t* code) {
  for (const auto& s : kSpeeds)
    if (s.rate == rate) {
      *code = s.code;
      return true;
    }
  return false;
}

// "COMn" or "\\.\COMn" with n a decimal number >= 1 without leading zeros.
bool ComNumber(std::string_view name, unsigned* number) {
  if (name.starts_with("\\\\.\\")) name.remove_prefix(4);
  if (!name.starts_with("COM")) return false;
  name.remove_prefix(3);
  if (name.empty() || name.front() == '0') return false;
  auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), *number);
  return ec == std::errc() && end == name.data() + name.size() && *number >= 1;
}

}  // namespace

SerialPort::SerialPort() : native_(std::make_unique<Native>()) {}
SerialPort::~SerialPort() { Close(); }
SerialPort::SerialPort(SerialPort&& other) noexcept : native_(std::move(other.native_)) {
  other.native_ = std::make_unique<Native>();
}
SerialPort& SerialPort::operator=(SerialPort&& other) noexcept {
  if (this != &other) {
    Close();
    std::swap(native_, other.native_);
  }
  return *this;
}

bool SerialPort::IsOpen() const { return native_ && native_->fd >= 0; }

bool SerialPort::Open(std::string_view name) {
  Close();
  const std::string device = SerialDevicePath(name);
  if (device.empty()) return false;

  // Only a character device is opened at all, and only a terminal is kept:
  // a typed path can never make the program write into a file or a pipe.
  struct stat st{};
  if (stat(device.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  if (!isatty(fd)) {
    close(fd);
    return false;
  }
  // No sharing: the advisory lock holds against every cooperating program,
  // root included; TIOCEXCL also turns away plain opens by other users.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
    close(fd);
    return false;
  }
  native_->fd = fd;
  native_->haveTio = false;
  native_->timeouts = SerialTimeouts{};
  return true;
}

void SerialPort::Close() {
  if (!native_ || native_->fd < 0) return;
  // Exclusive mode belongs to the terminal, not to this descriptor: give it
  // back, or the next open by anyone but root would be refused.
  ioctl(native_->fd, TIOCNXCL);
  close(native_->fd);  // also drops the flock
  native_->fd = -1;
  native_->haveTio = false;
}

bool SerialPort::GetState(SerialDcb& dcb) {
  if (!IsOpen()) return false;
  termios tio{};
  if (tcgetattr(native_->fd, &tio) != 0) return false;
  native_->tio = tio;
  native_->haveTio = true;
  dcb.BaudRate = RateOf(cfgetospeed(&tio));
  switch (tio.c_cflag & CSIZE) {
    case CS5: dcb.ByteSize = 5; break;
    case CS6: dcb.ByteSize = 6; break;
    case CS7: dcb.ByteSize = 7; break;
    default: dcb.ByteSize = 8; break;
  }
  dcb.Parity = (tio.c_cflag & PARENB) ? ((tio.c_cflag & PARODD) ? 1 : 2) : 0;
  dcb.StopBits = (tio.c_cflag & CSTOPB) ? 2 : 0;
  return true;
}

bool SerialPort::SetState(const SerialDcb& dcb) {
  if (!IsOpen()) return false;
  termios tio = native_->tio;
  if (!native_->haveTio && tcgetattr(native_->fd, &tio) != 0) return false;

  speed_t speed{};
  if (!CodeOf(dcb.BaudRate, &speed)) return false;
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);

  tcflag_t size = CS8;
  switch (dcb.ByteSize) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return false;
  }
  tio.c_cflag = (tio.c_cflag & ~CSIZE) | size;
  switch (dcb.Parity) {
    case 0: tio.c_cflag &= ~(PARENB | PARODD); break;
    case 1: tio.c_cflag |= PARENB | PARODD; break;
    case 2: tio.c_cflag = (tio.c_cflag | PARENB) & ~PARODD; break;
    default: return false;
  }
  if (dcb.StopBits == 2)
    tio.c_cflag |= CSTOPB;
  else
    tio.c_cflag &= ~CSTOPB;
  tio.c_cflag |= CREAD;

  // A binary path, as a Windows port always is. Linux starts every terminal
  // with line editing, echo, CR/LF translation and XON/XOFF on, each of which
  // would eat or change data bytes. CRTSCTS, CLOCAL and HUPCL stay as found.
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                   IXANY | IUCLC | IMAXBEL);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;

  if (tcsetattr(native_->fd, TCSANOW, &tio) != 0) return false;
  native_->tio = tio;
  native_->haveTio = true;
  return true;
}

bool SerialPort::GetTimeouts(SerialTimeouts& timeouts) {
  if (!IsOpen()) return false;
  timeouts = native_->timeouts;
  return true;
}

bool SerialPort::SetTimeouts(const SerialTimeouts& timeouts) {
  if (!IsOpen()) return false;
  native_->timeouts = timeouts;
  return true;
}

bool SerialPort::ReadByte(uint8_t* byte, uint32_t* bytesRead) {
  *bytesRead = 0;
  if (!IsOpen()) return false;
  const int fd = native_->fd;
  const int64_t limit = static_cast<int64_t>(native_->timeouts.ReadTotalTimeoutMultiplier) +
                        native_->timeouts.ReadTotalTimeoutConstant;
  const int64_t deadline = MonotonicMs() + limit;
  bool hungUp = false;
  for (;;) {
    const ssize_t n = read(fd, byte, 1);
    if (n == 1) {
      *bytesRead = 1;
      return true;
    }
    if (n == 0) return false;  // hang-up
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;  // EIO: gone
    if (hungUp) return false;

    const int64_t left = deadline - MonotonicMs();
    if (left <= 0) return true;  // timed out, no byte
    pollfd p{fd, POLLIN, 0};
    const int rc = poll(&p, 1, static_cast<int>(left));
    if (rc < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (rc == 0) return true;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) hungUp = true;
  }
}

bool SerialPort::WriteByte(const uint8_t* byte, uint32_t* bytesWritten) {
  *bytesWritten = 0;
  if (!IsOpen()) return false;
  const int fd = native_->fd;
  const int64_t deadline = MonotonicMs() + 1000;
  for (;;) {
    const ssize_t n = write(fd, byte, 1);
    if (n == 1) {
      *bytesWritten = 1;
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    const int64_t left = deadline - MonotonicMs();
    if (left <= 0) return false;
    pollfd p{fd, POLLOUT, 0};
    const int rc = poll(&p, 1, static_cast<int>(left));
    if (rc < 0 && errno != EINTR) return false;
    if (rc > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) return false;
  }
}

std::string SerialDevicePath(std::string_view portName) {
  if (portName.starts_with("/")) return std::string(portName);
  unsigned number = 0;
  if (!ComNumber(portName, &number)) return {};
  return "/dev/ttyS" + std::to_string(number - 1);
}

std::vector<std::string> ListUsbSerialDevices(const std::string& deviceDir) {
  // (prefix, number, name): ttyACM before ttyUSB, then by number.
  std::vector<std::tuple<std::string, unsigned long, std::string>> found;
  DIR* dir = opendir(deviceDir.c_str());
  if (!dir) return {};
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    for (std::string_view prefix : {std::string_view("ttyACM"), std::string_view("ttyUSB")}) {
      if (!name.starts_with(prefix) || name.size() == prefix.size()) continue;
      const std::string_view digits = name.substr(prefix.size());
      unsigned long number = 0;
      auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
      if (ec == std::errc() && end == digits.data() + digits.size())
        found.emplace_back(std::string(prefix), number, std::string(name));
    }
  }
  closedir(dir);
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  const std::string base = deviceDir.ends_with('/') ? deviceDir : deviceDir + "/";
  for (const auto& f : found) paths.push_back(base + std::get<2>(f));
  return paths;
}

}  // namespace vpo::platform
