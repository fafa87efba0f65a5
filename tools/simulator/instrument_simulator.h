#pragma once
// The instrument's side of the serial protocol, played on a pseudo-terminal,
// so that the program, the tests and anyone without an instrument can talk
// to "an instrument" through an ordinary terminal device.
//
// Usage in a test:
//
//   vpo::sim::InstrumentSimulator sim;      // creates the pseudo-terminal
//   sim.SetWord(82, 1234);                  // word address 82 holds 1234
//   sim.SetMode(vpo::sim::Mode::Normal);
//   sim.Start();                            // serves on its own thread
//   OpenTheLinkOn(sim.Path());              // e.g. "/dev/pts/7"
//   ...
//   sim.HostBytes();                        // what the host sent, in order
//   sim.Stop();                             // also done by the destructor
//
// Every setter may be called before or while serving; the change applies
// from the next byte. The simulator keeps a descriptor of the terminal's
// device side open itself, so the host may open and close the device as
// often as it likes; the device's settings are left to the host (a fresh
// pseudo-terminal starts with the kernel's defaults: line editing, echo,
// CR/LF translation and XON/XOFF all on).
//
// The instrument: every byte from the host is answered with one byte
// (AnswerByte, default 0x06). The read command 0x03 starts a byte read: the
// command and the two address bytes that follow (high part, then low part)
// are each answered, then the data byte at that address of a 512-byte memory
// follows at once, and the next host byte is taken as its echo, with no
// answer. A pause of more than 500 ms in the host's bytes ends an unfinished
// byte read. Word W occupies byte addresses 2W (low byte) and 2W+1 (high).
// The memory starts all zero except word 82, which holds 1234.
//
// Linux only.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vpo::sim {

enum class Mode {
  Normal,          // the instrument as described above
  Silent,          // never answers
  MuteAfterProbe,  // answers the first host byte (the probe), then nothing
  Echo,            // returns every byte it receives, like a looped line
  Noise,           // answers and data bytes are random
  Hangup,          // closes its end when a byte read's address comes, then
                   // opens a new pseudo-terminal (a new Path()) and serves on
};

// "normal", "silent", "mute-after-probe", "echo", "noise", "hangup".
std::optional<Mode> ParseMode(std::string_view name);
std::string_view ModeName(Mode mode);

enum class Direction { HostToInstrument, InstrumentToHost };

struct LineByte {
  Direction direction;
  uint8_t value;
  std::chrono::steady_clock::time_point at;
};

class InstrumentSimulator {
 public:
  static constexpr size_t MemorySize = 512;
  static constexpr uint8_t DefaultAnswerByte = 0x06;
  static constexpr uint8_t ReadCommand = 0x03;
  // One character at 9600 bit/s with 10 bit times per character.
  static constexpr std::chrono::nanoseconds CharacterTime{1'041'667};

  // Creates the pseudo-terminal. Throws std::system_error when it cannot.
  InstrumentSimulator();
  ~InstrumentSimulator();
  InstrumentSimulator(const InstrumentSimulator&) = delete;
  InstrumentSimulator& operator=(const InstrumentSimulator&) = delete;

  void Start();  // starts serving on a thread of its own
  void Stop();   // stops serving and joins the thread; removes the link

  // The device path that the host opens (it changes after a hang-up).
  std::string Path() const;
  // Also offers the device as a symbolic link at `linkPath` (kept pointing
  // at the current device). Replaces an existing symbolic link there; throws
  // std::system_error when something else is in the way.
  void SetLinkPath(const std::string& linkPath);

  void SetWord(uint8_t wordAddress, uint16_t value);
  uint16_t Word(uint8_t wordAddress) const;
  void SetMemoryByte(uint16_t byteAddress, uint8_t value);

  // Also ends any unfinished byte read and rearms mute-after-probe.
  void SetMode(Mode mode);
  Mode GetMode() const;
  // Each byte in either direction takes its real time at 9600 bit/s.
  void SetLineTiming(bool on);
  void SetAnswerByte(uint8_t value);

  // Called on the simulator's thread for every byte, in line order.
  void SetLogger(std::function<void(const LineByte&)> logger);
  // Called on the simulator's thread with the new path after a hang-up.
  void SetPathListener(std::function<void(const std::string&)> listener);

  // What crossed the line since the start (or the last ClearTranscript).
  std::vector<LineByte> Transcript() const;
  std::vector<uint8_t> HostBytes() const;        // host to instrument
  std::vector<uint8_t> InstrumentBytes() const;  // instrument to host
  void ClearTranscript();
  // Waits until the host has sent at least `count` bytes; false on time-out.
  bool WaitForHostBytes(size_t count, std::chrono::milliseconds timeout) const;
  int Hangups() const;

 private:
  enum class State { Idle, AddressHigh, AddressLow, AwaitEcho };

  void OpenTerminal();
  void CloseTerminal();
  void UpdateLink();
  void Serve();
  void HandleHostByte(uint8_t byte, std::chrono::steady_clock::time_point arrived);
  void Answer(uint8_t value);  // the instrument's answer byte, by mode
  void SendByte(uint8_t value);
  void Record(Direction direction, uint8_t value);
  void HangUp();

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<uint8_t> memory_;
  Mode mode_ = Mode::Normal;
  bool lineTiming_ = false;
  uint8_t answerByte_ = DefaultAnswerByte;
  std::function<void(const LineByte&)> logger_;
  std::function<void(const std::string&)> pathListener_;
  std::vector<LineByte> transcript_;
  std::string path_;
  std::string linkPath_;
  int hangups_ = 0;

  // Owned by the serving thread while it runs.
  int master_ = -1;
  int slave_ = -1;
  int wake_[2] = {-1, -1};
  State state_ = State::Idle;
  uint16_t address_ = 0;
  bool answeredOnce_ = false;
  bool resetState_ = false;
  std::chrono::steady_clock::time_point lastHostByte_{};
  std::chrono::steady_clock::time_point rxFree_{};
  std::chrono::steady_clock::time_point txFree_{};
  std::mt19937 random_{std::random_device{}()};
  std::thread thread_;
  std::atomic<bool> running_{false};
};

}  // namespace vpo::sim
