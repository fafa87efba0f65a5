#pragma once
// A serial port, shaped like the few Win32 communications calls that the
// serial link relies on: open one port for exclusive use, read and rewrite
// its line settings and time-outs, and move single bytes.
//
// Windows: CreateFileA, Get/SetCommState, Get/SetCommTimeouts, ReadFile,
// WriteFile and CloseHandle on the port name ("COM3", "\\.\COM12").
// Linux: the name is mapped to a terminal device (COMn -> /dev/ttyS<n-1>, a
// path beginning with "/" as it stands); the port is a non-blocking
// descriptor held with flock + TIOCEXCL, set to a raw 8-bit path, and a read
// waits with poll on the monotonic clock.
//
// A port that could not be opened behaves like the Windows invalid handle:
// every call fails at once, every read delivers no byte, every write sends
// nothing.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vpo::platform {

// The four line fields of the Windows device-control record, with the same
// encodings (Parity 0 none, 1 odd, 2 even; StopBits 0 one, 1 one and a half,
// 2 two). Everything else the port reported is kept by the port object and
// written back unchanged.
struct SerialDcb {
  uint32_t BaudRate = 0;
  uint8_t ByteSize = 0;
  uint8_t Parity = 0;
  uint8_t StopBits = 0;
};

inline constexpr uint8_t kNoParity = 0;
inline constexpr uint8_t kOneStopBit = 0;

// The Windows time-out record, in milliseconds. A read of n bytes that
// receives nothing ends after n * ReadTotalTimeoutMultiplier +
// ReadTotalTimeoutConstant. On Linux a new port reports all zeros and only
// the two read totals are honoured (writes give up after 1 s of a full
// output buffer, so a stuck line never holds the caller).
struct SerialTimeouts {
  uint32_t ReadIntervalTimeout = 0;
  uint32_t ReadTotalTimeoutMultiplier = 0;
  uint32_t ReadTotalTimeoutConstant = 0;
  uint32_t WriteTotalTimeoutMultiplier = 0;
  uint32_t WriteTotalTimeoutConstant = 0;
};

class SerialPort {
 public:
  SerialPort();
  ~SerialPort();  // closes the port
  SerialPort(SerialPort&&) noexcept;
  SerialPort& operator=(SerialPort&&) noexcept;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Closes any port held, then opens `name` for reading and writing with no
  // sharing. False when the port cannot be had (no such port, not a
  // terminal, held by someone else); the object is then closed.
  bool Open(std::string_view name);
  bool IsOpen() const;
  void Close();

  // GetCommState / SetCommState. Set changes only the four fields of `dcb`
  // on top of what the latest Get reported (on Linux it also makes the path
  // raw: no line editing, echo, signals, CR/LF translation, output processing
  // or software flow control; hardware flow control, CLOCAL and HUPCL stay).
  bool GetState(SerialDcb& dcb);
  bool SetState(const SerialDcb& dcb);

  // GetCommTimeouts / SetCommTimeouts.
  bool GetTimeouts(SerialTimeouts& timeouts);
  bool SetTimeouts(const SerialTimeouts& timeouts);

  // ReadFile of one byte. Sets *bytesRead to 0 first, then to 1 when a byte
  // arrived in time (the byte is in *byte). True also for a read that timed
  // out; false for a read that failed, which returns at once (port not open,
  // hung up, unplugged).
  bool ReadByte(uint8_t* byte, uint32_t* bytesRead);

  // WriteFile of one byte. *bytesWritten is 1 when the byte went out.
  bool WriteByte(const uint8_t* byte, uint32_t* bytesWritten);

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

// The device that a port name opens: "COMn" and "\\.\COMn" (n >= 1) are
// /dev/ttyS<n-1> on Linux, a name beginning with "/" is itself; an empty
// result means the name has no device here. On Windows, the name itself.
std::string SerialDevicePath(std::string_view portName);

// USB serial adapters present now (/dev/ttyACM*, /dev/ttyUSB* under
// `deviceDir`), full paths in natural order (ttyUSB2 before ttyUSB10).
// Always empty on Windows, where they are COM ports like any other.
std::vector<std::string> ListUsbSerialDevices(const std::string& deviceDir = "/dev");

}  // namespace vpo::platform
