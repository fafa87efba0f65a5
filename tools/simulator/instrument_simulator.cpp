#include "instrument_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace vpo::sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kUnfinishedReadTimeout = std::chrono::milliseconds(500);

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// Sleeps until an absolute point of the monotonic clock (which is what
// steady_clock reads on Linux), without the drift of relative sleeps.
void SleepUntil(Clock::time_point when) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch());
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(ns.count() / 1'000'000'000);
  ts.tv_nsec = static_cast<long>(ns.count() % 1'000'000'000);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

}  // namespace

std::optional<Mode> ParseMode(std::string_view name) {
  for (Mode m : {Mode::Normal, Mode::Silent, Mode::MuteAfterProbe, Mode::Echo, Mode::Noise,
                 Mode::Hangup})
    if (ModeName(m) == name) return m;
  return std::nullopt;
}

std::string_view ModeName(Mode mode) {
  switch (mode) {
    case Mode::Normal: return "normal";
    case Mode::Silent: return "silent";
    case Mode::MuteAfterProbe: return "mute-after-probe";
    case Mode::Echo: return "echo";
    case Mode::Noise: return "noise";
    case Mode::Hangup: return "hangup";
  }
  return "?";
}

InstrumentSimulator::InstrumentSimulator() : memory_(MemorySize, 0) {
  memory_[2 * 82] = 1234 & 0xFF;
  memory_[2 * 82 + 1] = 1234 >> 8;
  if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) ThrowErrno("pipe2");
  try {
    OpenTerminal();
  } catch (...) {
    close(wake_[0]);
    close(wake_[1]);
    throw;
  }
}

InstrumentSimulator::~InstrumentSimulator() {
  Stop();
  CloseTerminal();
  close(wake_[0]);
  close(wake_[1]);
}

void InstrumentSimulator::OpenTerminal() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) ThrowErrno("posix_openpt");
  char name[128];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    const int e = errno;
    close(master);
    errno = e;
    ThrowErrno("pseudo-terminal set-up");
  }
  // Holding the device side open keeps the terminal alive while the host
  // closes and reopens it; otherwise the master would see a hang-up (EIO)
  // between two opens. Its settings stay as the kernel made them.
  const int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) {
    const int e = errno;
    close(master);
    errno = e;
    ThrowErrno(std::string("open ") + name);
  }
  std::lock_guard lock(mutex_);
  master_ = master;
  slave_ = slave;
  path_ = name;
}

void InstrumentSimulator::CloseTerminal() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
  slave_ = master_ = -1;
}

std::string InstrumentSimulator::Path() const {
  std::lock_guard lock(mutex_);
  return path_;
}

void InstrumentSimulator::SetLinkPath(const std::string& linkPath) {
  struct stat st{};
  if (lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    errno = EEXIST;
    ThrowErrno(linkPath + " exists and is not a symbolic link");
  }
  {
    std::lock_guard lock(mutex_);
    linkPath_ = linkPath;
  }
  UpdateLink();
}

void InstrumentSimulator::UpdateLink() {
  std::string link, target;
  {
    std::lock_guard lock(mutex_);
    link = linkPath_;
    target = path_;
  }
  if (link.empty()) return;
  // Made beside the link and renamed over it, so that it always points at a
  // device.
  const std::string temporary = link + ".new";
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0) ThrowErrno("symlink " + temporary);
  if (rename(temporary.c_str(), link.c_str()) != 0) {
    const int e = errno;
    unlink(temporary.c_str());
    errno = e;
    ThrowErrno("rename to " + link);
  }
}

void InstrumentSimulator::Start() {
  if (thread_.joinable()) return;
  char drain[16];
  while (read(wake_[0], drain, sizeof drain) > 0) {
  }
  running_ = true;
  thread_ = std::thread([this] { Serve(); });
}

void InstrumentSimulator::Stop() {
  if (!thread_.joinable()) return;
  running_ = false;
  const char wake = 1;
  while (write(wake_[1], &wake, 1) < 0 && errno == EINTR) {
  }
  thread_.join();
  std::string link;
  {
    std::lock_guard lock(mutex_);
    link = linkPath_;
    linkPath_.clear();
  }
  if (!link.empty()) unlink(link.c_str());
}

void InstrumentSimulator::SetWord(uint8_t wordAddress, uint16_t value) {
  std::lock_guard lock(mutex_);
  memory_[2u * wordAddress] = static_cast<uint8_t>(value & 0xFF);
  memory_[2u * wordAddress + 1] = static_cast<uint8_t>(value >> 8);
}

uint16_t InstrumentSimulator::Word(uint8_t wordAddress) const {
  std::lock_guard lock(mutex_);
  return static_cast<uint16_t>(memory_[2u * wordAddress + 1] << 8 | memory_[2u * wordAddress]);
}

void InstrumentSimulator::SetMemoryByte(uint16_t byteAddress, uint8_t value) {
  std::lock_guard lock(mutex_);
  memory_[byteAddress % MemorySize] = value;
}

void InstrumentSimulator::SetMode(Mode mode) {
  std::lock_guard lock(mutex_);
  mode_ = mode;
  resetState_ = true;
}

Mode InstrumentSimulator::GetMode() const {
  std::lock_guard lock(mutex_);
  return mode_;
}

void InstrumentSimulator::SetLineTiming(bool on) {
  std::lock_guard lock(mutex_);
  lineTiming_ = on;
}

void InstrumentSimulator::SetAnswerByte(uint8_t value) {
  std::lock_guard lock(mutex_);
  answerByte_ = value;
}

void InstrumentSimulator::SetLogger(std::function<void(const LineByte&)> logger) {
  std::lock_guard lock(mutex_);
  logger_ = std::move(logger);
}

void InstrumentSimulator::SetPathListener(std::function<void(const std::string&)> listener) {
  std::lock_guard lock(mutex_);
  pathListener_ = std::move(listener);
}

std::vector<LineByte> InstrumentSimulator::Transcript() const {
  std::lock_guard lock(mutex_);
  return transcript_;
}

std::vector<uint8_t> InstrumentSimulator::HostBytes() const {
  std::lock_guard lock(mutex_);
  std::vector<uint8_t> bytes;
  for (const auto& b : transcript_)
    if (b.direction == Direction::HostToInstrument) bytes.push_back(b.value);
  return bytes;
}

std::vector<uint8_t> InstrumentSimulator::InstrumentBytes() const {
  std::lock_guard lock(mutex_);
  std::vector<uint8_t> bytes;
  for (const auto& b : transcript_)
    if (b.direction == Direction::InstrumentToHost) bytes.push_back(b.value);
  return bytes;
}

void InstrumentSimulator::ClearTranscript() {
  std::lock_guard lock(mutex_);
  transcript_.clear();
}

bool InstrumentSimulator::WaitForHostBytes(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] {
    size_t n = 0;
    for (const auto& b : transcript_) n += b.direction == Direction::HostToInstrument;
    return n >= count;
  });
}

int InstrumentSimulator::Hangups() const {
  std::lock_guard lock(mutex_);
  return hangups_;
}

void InstrumentSimulator::Record(Direction direction, uint8_t value) {
  const LineByte entry{direction, value, Clock::now()};
  std::function<void(const LineByte&)> logger;
  {
    std::lock_guard lock(mutex_);
    transcript_.push_back(entry);
    logger = logger_;
  }
  changed_.notify_all();
  if (logger) logger(entry);
}

void InstrumentSimulator::Serve() {
  // Line timing wants sleeps that end when asked, not up to 50 us later.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  while (running_ && master_ >= 0) {
    pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    const int rc = poll(fds, 2, -1);
    if (rc < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents) break;
    if (fds[0].revents & POLLIN) {
      uint8_t buffer[256];
      const ssize_t n = read(master_, buffer, sizeof buffer);
      const auto arrived = Clock::now();
      if (n > 0) {
        for (ssize_t i = 0; i < n && master_ >= 0; ++i) HandleHostByte(buffer[i], arrived);
        continue;
      }
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    }
    // The device side is held open, so the master should never hang up or
    // fail; should it, do not spin.
    pollfd wake{wake_[0], POLLIN, 0};
    poll(&wake, 1, 10);
  }
}

void InstrumentSimulator::HandleHostByte(uint8_t byte, Clock::time_point arrived) {
  Mode mode;
  bool lineTiming;
  bool reset;
  {
    std::lock_guard lock(mutex_);
    mode = mode_;
    lineTiming = lineTiming_;
    reset = resetState_;
    resetState_ = false;
  }
  if (reset) {
    state_ = State::Idle;
    answeredOnce_ = false;
  }
  if (lineTiming) {
    // The byte has fully arrived one character time after the line was free.
    rxFree_ = std::max(arrived, rxFree_) + CharacterTime;
    SleepUntil(rxFree_);
  }
  const auto now = Clock::now();
  if (state_ != State::Idle && now - lastHostByte_ > kUnfinishedReadTimeout) state_ = State::Idle;
  lastHostByte_ = now;
  Record(Direction::HostToInstrument, byte);

  switch (mode) {
    case Mode::Silent:
      return;
    case Mode::Echo:
      SendByte(byte);
      return;
    case Mode::MuteAfterProbe:
      if (answeredOnce_) return;
      answeredOnce_ = true;
      Answer(byte);
      return;
    case Mode::Normal:
    case Mode::Noise:
    case Mode::Hangup:
      break;
  }

  switch (state_) {
    case State::Idle:
      Answer(byte);
      if (byte == ReadCommand) state_ = State::AddressHigh;
      break;
    case State::AddressHigh:
      if (mode == Mode::Hangup) {
        HangUp();
        return;
      }
      address_ = static_cast<uint16_t>(byte << 8);
      Answer(byte);
      state_ = State::AddressLow;
      break;
    case State::AddressLow: {
      address_ = static_cast<uint16_t>(address_ | byte);
      Answer(byte);
      uint8_t data;
      {
        std::lock_guard lock(mutex_);
        data = memory_[address_ % MemorySize];
      }
      if (mode == Mode::Noise) data = static_cast<uint8_t>(random_());
      SendByte(data);
      state_ = State::AwaitEcho;
      break;
    }
    case State::AwaitEcho:
      state_ = State::Idle;  // the echo: nothing answers it
      break;
  }
}

void InstrumentSimulator::Answer(uint8_t /*received*/) {
  uint8_t value;
  Mode mode;
  {
    std::lock_guard lock(mutex_);
    value = answerByte_;
    mode = mode_;
  }
  if (mode == Mode::Noise) value = static_cast<uint8_t>(random_());
  SendByte(value);
}

void InstrumentSimulator::SendByte(uint8_t value) {
  bool lineTiming;
  {
    std::lock_guard lock(mutex_);
    lineTiming = lineTiming_;
  }
  if (lineTiming) {
    txFree_ = std::max(Clock::now(), txFree_) + CharacterTime;
    SleepUntil(txFree_);
  }
  ssize_t n;
  while ((n = write(master_, &value, 1)) < 0 && errno == EINTR) {
  }
  if (n == 1) Record(Direction::InstrumentToHost, value);
}

void InstrumentSimulator::HangUp() {
  // Both ends go: the host's next read sees the hang-up at once.
  CloseTerminal();
  state_ = State::Idle;
  std::function<void(const std::string&)> listener;
  {
    std::lock_guard lock(mutex_);
    ++hangups_;
    listener = pathListener_;
  }
  changed_.notify_all();
  // A fresh terminal, so that the simulator goes on serving.
  try {
    OpenTerminal();
    UpdateLink();
  } catch (const std::system_error&) {
    running_ = false;  // nothing left to serve on
    return;
  }
  if (listener) listener(Path());
}

}  // namespace vpo::sim
