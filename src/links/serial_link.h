#pragma once
// The second link: the instrument's byte protocol on the chosen COM port.
//
// Public contract (the identification sequence, the window and the
// command-line identifier rely on it):
//   SerialLink(const PortChooser&);
//   uint32_t ProbeInstrument();            // non-zero: something answered
//   int32_t  ReadInstrumentWord(uint8_t W); // 0..65535; throws vpo::Error when
//                                           // the instrument stops answering
//   OpenComPort() throws vpo::RangeError for a port text of < 4 characters.
//   std::vector<std::string> SerialPortChoices(); // items of the port chooser
//
// The link: OpenComPort opens the chosen port and sets 9600 bit/s, 8 data
// bits, no parity, one stop bit and a 40 ms read time-out per byte; five
// one-byte primitives work on it. The protocol: ProbeInstrument sends 0x37
// and polls at most 11 times for any answer; ReadInstrumentWord reads the
// high byte (byte address 2W+1), then the low byte (2W), each as the read
// command 0x03 and the two address bytes, every one answered by the
// instrument, then the data byte, which is echoed back. Each of the two
// operations opens the port and closes it again on every path, exceptions
// included, so the next operation (or the next press) can open it.

#include <chrono>
#include <cstdint>
#include <string>

#include "links/port_chooser.h"
#include "links/serial_port_names.h"
#include "platform/serial_port.h"

namespace vpo {

class SerialLink {
 public:
  static constexpr uint8_t ProbeByte = 0x37;
  static constexpr uint8_t ReadCommand = 0x03;
  static constexpr int32_t EmptyPollLimit = 10;
  static constexpr uint32_t ReadTimeoutPerByteMs = 40;
  // WaitByte gives up when no byte has come for this long.
  static constexpr std::chrono::milliseconds WaitByteLimit{1000};
  // A port that reports no write time-out at all gets this one, so that a
  // line held by hardware flow control cannot block a write for ever.
  static constexpr uint32_t WriteTimeoutMs = 1000;

  explicit SerialLink(const PortChooser& chooser);
  virtual ~SerialLink() = default;
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  // The protocol. Both open the port first and close it before they return
  // or throw. A port that cannot be opened makes the probe return 0 at once.
  uint32_t ProbeInstrument();
  // Throws vpo::Error ("the instrument on <port> stopped answering") when a
  // byte it waits for does not come.
  int32_t ReadInstrumentWord(uint8_t W);

  // The link. OpenComPort throws vpo::RangeError for a port text of fewer
  // than 4 characters, before anything is opened. A port that cannot be
  // opened leaves FComHandle closed: writes then send nothing and reads
  // return at once with no byte.
  void OpenComPort();
  // The primitives are virtual only so that tests can watch the calls.
  virtual void SendByte(uint8_t byte);
  virtual uint8_t PollByte();  // bytes delivered by one read: 1 or 0
  // Reads until a byte comes; throws vpo::Error after WaitByteLimit without
  // one, or at once when a read fails (port closed, hung up, not opened).
  virtual uint8_t WaitByte();
  uint8_t SendAndWait(uint8_t byte);
  uint8_t WaitAndEcho();

  // The port name that the latest OpenComPort used ("" before the first).
  const std::string& PortName() const { return FPortName; }

  // The link's state, open to tests and diagnostics.
  platform::SerialPort FComHandle;
  platform::SerialDcb FDcb{};
  uint32_t FBytesRead = 0;
  uint32_t FBytesWritten = 0;
  platform::SerialTimeouts FTimeouts{};
  uint8_t FRxByte = 0;
  uint8_t FTxByte = 0;

 private:
  // One read into FRxByte; false when it failed rather than timed out.
  bool ReadOnce();
  [[noreturn]] void StoppedAnswering() const;

  const PortChooser& chooser_;
  std::string FPortName;
  bool FLastReadFailed = false;
};

}  // namespace vpo
