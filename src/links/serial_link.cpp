#include "links/serial_link.h"

#include "links/errors.h"

namespace vpo {
namespace {

// Closes the port when an operation ends, by return or by exception: the
// port is opened without sharing, so one left open would refuse the next.
class PortCloser {
 public:
  explicit PortCloser(platform::SerialPort& port) : port_(port) {}
  ~PortCloser() { port_.Close(); }
  PortCloser(const PortCloser&) = delete;
  PortCloser& operator=(const PortCloser&) = delete;

 private:
  platform::SerialPort& port_;
};

}  // namespace

SerialLink::SerialLink(const PortChooser& chooser) : chooser_(chooser) {}

void SerialLink::OpenComPort() {
  // Throws for a text of fewer than 4 characters before anything is opened.
  const std::string name = ComPortName(chooser_.PortText(), chooser_.PortItemIndex());
  FPortName = name;
  FComHandle.Open(name);

  // The four line fields change; everything else goes back as the port had it.
  FComHandle.GetState(FDcb);
  FDcb.BaudRate = 9600;
  FDcb.ByteSize = 8;
  FDcb.Parity = platform::kNoParity;
  FDcb.StopBits = platform::kOneStopBit;
  FComHandle.SetState(FDcb);

  FComHandle.GetTimeouts(FTimeouts);
  FTimeouts.ReadTotalTimeoutMultiplier = ReadTimeoutPerByteMs;
  if (FTimeouts.WriteTotalTimeoutMultiplier == 0 && FTimeouts.WriteTotalTimeoutConstant == 0) {
    FTimeouts.WriteTotalTimeoutConstant = WriteTimeoutMs;
  }
  FComHandle.SetTimeouts(FTimeouts);
}

void SerialLink::SendByte(uint8_t byte) {
  FTxByte = byte;
  FComHandle.WriteByte(&FTxByte, &FBytesWritten);
}

bool SerialLink::ReadOnce() { return FComHandle.ReadByte(&FRxByte, &FBytesRead); }

uint8_t SerialLink::PollByte() {
  ReadOnce();
  return static_cast<uint8_t>(FBytesRead);
}

uint8_t SerialLink::WaitByte() {
  const auto start = std::chrono::steady_clock::now();
  FBytesRead = 0;
  while (FBytesRead == 0) {
    FLastReadFailed = !ReadOnce();
    if (FBytesRead != 0) break;
    if (FLastReadFailed || std::chrono::steady_clock::now() - start >= WaitByteLimit)
      StoppedAnswering();
  }
  return FRxByte;
}

uint8_t SerialLink::SendAndWait(uint8_t byte) {
  SendByte(byte);
  return WaitByte();
}

uint8_t SerialLink::WaitAndEcho() {
  const uint8_t byte = WaitByte();
  SendByte(byte);
  return byte;
}

void SerialLink::StoppedAnswering() const {
  std::string message = "Прибор на порту " + PortDisplayName(FPortName) + " перестал отвечать: ";
  message += FLastReadFailed ? "порт закрыт или отключён." : "нет ответа дольше 1 с.";
  throw Error(message);
}

uint32_t SerialLink::ProbeInstrument() {
  OpenComPort();
  PortCloser closer(FComHandle);
  int32_t emptyPolls = 0;
  SendByte(ProbeByte);
  FBytesRead = 0;
  while (FBytesRead == 0) {
    if (PollByte() == 0) {
      ++emptyPolls;
      if (emptyPolls > EmptyPollLimit) break;
    }
  }
  return FBytesRead;
}

int32_t SerialLink::ReadInstrumentWord(uint8_t W) {
  OpenComPort();
  PortCloser closer(FComHandle);
  const unsigned highAddress = 2u * W + 1;
  const unsigned lowAddress = 2u * W;

  SendAndWait(ReadCommand);
  SendAndWait(static_cast<uint8_t>(highAddress / 256));
  SendAndWait(static_cast<uint8_t>(highAddress % 256));
  const uint8_t H = WaitAndEcho();

  SendAndWait(ReadCommand);
  SendAndWait(static_cast<uint8_t>(lowAddress / 256));
  SendAndWait(static_cast<uint8_t>(lowAddress % 256));
  const uint8_t L = WaitAndEcho();

  return static_cast<int32_t>(H) * 256 + static_cast<int32_t>(L);
}

}  // namespace vpo
