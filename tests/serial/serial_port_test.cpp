// The serial port on Linux and the settings that the link gives it, over
// pseudo-terminals.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "links/serial_link.h"
#include "links/serial_port_names.h"
#include "platform/serial_port.h"
#include "pty_fixture.h"

extern char** environ;

namespace vpo {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using platform::SerialPort;
using test::FixedChooser;
using test::Pty;

// Runs the helper program in a process of its own: 0 when it opened `path`.
int OpenInAnotherProcess(const std::string& path) {
  const char* argv[] = {OPEN_PORT_HELPER, path.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, OPEN_PORT_HELPER, nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
    return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SerialPortOpen, APortInUseCannotBeOpenedByAnotherProcess) {
  Pty pty;
  ASSERT_EQ(OpenInAnotherProcess(pty.Path()), 0) << "the helper cannot open a free port";
  {
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.Path()));
    EXPECT_EQ(OpenInAnotherProcess(pty.Path()), 1);
    SerialPort second;  // nor a second open in this process
    EXPECT_FALSE(second.Open(pty.Path()));
    EXPECT_FALSE(second.IsOpen());
  }
  // Closed (by the destructor): free for everyone again.
  EXPECT_EQ(OpenInAnotherProcess(pty.Path()), 0);
  SerialPort again;
  EXPECT_TRUE(again.Open(pty.Path()));
}

TEST(SerialPortOpen, RefusesWhatIsNotATerminalAndLeavesItUnchanged) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("vpo-notty-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / "file";
  std::ofstream(file) << "do not touch";
  const fs::path fifo = dir / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const auto before = fs::last_write_time(file);

  for (const fs::path& path : {file, dir, fifo, fs::path("/dev/null"), dir / "missing"}) {
    SerialPort port;
    EXPECT_FALSE(port.Open(path.string())) << path;
    EXPECT_FALSE(port.IsOpen());
    // And through the link: the probe goes nowhere.
    FixedChooser chooser(path.string());
    SerialLink link(chooser);
    EXPECT_EQ(link.ProbeInstrument(), 0u) << path;
  }
  std::ifstream in(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "do not touch");
  EXPECT_EQ(fs::last_write_time(file), before);
  fs::remove_all(dir);
}

TEST(SerialPortOpen, AFailedOpenFailsEveryCallAtOnce) {
  SerialPort port;
  ASSERT_FALSE(port.Open("COMX"));
  uint8_t byte = 0x55;
  uint32_t count = 7;
  const auto start = Clock::now();
  EXPECT_FALSE(port.ReadByte(&byte, &count));
  EXPECT_EQ(count, 0u);
  count = 7;
  EXPECT_FALSE(port.WriteByte(&byte, &count));
  EXPECT_EQ(count, 0u);
  platform::SerialDcb dcb;
  platform::SerialTimeouts timeouts;
  EXPECT_FALSE(port.GetState(dcb));
  EXPECT_FALSE(port.SetState(dcb));
  EXPECT_FALSE(port.GetTimeouts(timeouts));
  EXPECT_LT(Clock::now() - start, 200ms);
}

TEST(SerialPortRead, TimesOutAfterTheMultiplierAndReturnsAByteAtOnce) {
  Pty pty;
  SerialPort port;
  ASSERT_TRUE(port.Open(pty.Path()));
  platform::SerialDcb dcb;
  ASSERT_TRUE(port.GetState(dcb));
  ASSERT_TRUE(port.SetState(dcb));  // raw: no line editing holding the byte back
  platform::SerialTimeouts timeouts;
  ASSERT_TRUE(port.GetTimeouts(timeouts));
  timeouts.ReadTotalTimeoutMultiplier = 40;
  ASSERT_TRUE(port.SetTimeouts(timeouts));

  uint8_t byte = 0;
  uint32_t count = 9;
  auto start = Clock::now();
  EXPECT_TRUE(port.ReadByte(&byte, &count));
  const auto waited = Clock::now() - start;
  EXPECT_EQ(count, 0u);
  EXPECT_GE(waited, 39ms);
  EXPECT_LT(waited, 1s);

  pty.Write(0x00);
  EXPECT_TRUE(port.ReadByte(&byte, &count));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(byte, 0x00);
}

TEST(SerialPortRead, AHangUpFailsAtOnce) {
  Pty pty(/*keepDeviceOpen=*/false);
  SerialPort port;
  ASSERT_TRUE(port.Open(pty.Path()));
  platform::SerialTimeouts timeouts{};
  timeouts.ReadTotalTimeoutMultiplier = 1000;
  port.SetTimeouts(timeouts);
  pty.CloseMaster();
  uint8_t byte = 0;
  uint32_t count = 0;
  const auto start = Clock::now();
  EXPECT_FALSE(port.ReadByte(&byte, &count));
  EXPECT_EQ(count, 0u);
  EXPECT_LT(Clock::now() - start, 500ms);
}

// Port names to Linux devices, as pure functions: nothing is opened.
struct DeviceCase {
  const char* name;
  const char* device;  // "" when the name has no device
};

TEST(PortDevice, LinuxDeviceOfEachName) {
  const DeviceCase cases[] = {
      {"COM1", "/dev/ttyS0"},          {"COM9", "/dev/ttyS8"},
      {"\\\\.\\COM10", "/dev/ttyS9"},  {"\\\\.\\COM30", "/dev/ttyS29"},
      {"\\\\.\\COM255", "/dev/ttyS254"}, {"COMX", ""},
      {"COM0", ""},                    {"COM\xF2", ""},
      {"/dev/ttyUSB3", "/dev/ttyUSB3"}, {"/dev/pts/3", "/dev/pts/3"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::SerialDevicePath(c.name), c.device) << c.name;
}

TEST(PortDevice, EveryListItemHasItsOwnDevice) {
  for (int index = 0; index < kComPortItemCount; ++index) {
    const std::string text = "COM" + std::to_string(index + 1);
    EXPECT_EQ(platform::SerialDevicePath(ComPortName(text, index)),
              "/dev/ttyS" + std::to_string(index));
  }
}

TEST(PortDisplayName, ShowsThePortAndItsDevice) {
  EXPECT_EQ(PortDisplayName("\\\\.\\COM10"), "COM10 (/dev/ttyS9)");
  EXPECT_EQ(PortDisplayName("COM1"), "COM1 (/dev/ttyS0)");
  EXPECT_EQ(PortDisplayName("/dev/pts/4"), "/dev/pts/4");
  EXPECT_EQ(PortDisplayName("COM\xF2"), "COMт");
}

TEST(PortChoices, UsbDevicesInNaturalOrder) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("vpo-usb-" + std::to_string(getpid()));
  fs::create_directories(dir);
  for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyUSB", "ttyUSBx",
                           "tty0", "ttyACM11", "ttyUSB0"})
    std::ofstream(dir / name).put('x');
  const auto found = platform::ListUsbSerialDevices(dir.string());
  const std::string d = dir.string() + "/";
  EXPECT_EQ(found, (std::vector<std::string>{d + "ttyACM0", d + "ttyACM11", d + "ttyUSB0",
                                             d + "ttyUSB2", d + "ttyUSB10"}));
  fs::remove_all(dir);
  EXPECT_TRUE(platform::ListUsbSerialDevices(dir.string()).empty());
}

// What the link leaves on the terminal, from the state the port had before.
struct FlagCase {
  tcflag_t cflagOn;  // of CRTSCTS, CLOCAL, HUPCL: set before the open
};

void PrintTo(const FlagCase& c, std::ostream* os) {
  *os << ((c.cflagOn & CRTSCTS) ? "CRTSCTS " : "") << ((c.cflagOn & CLOCAL) ? "CLOCAL " : "")
      << ((c.cflagOn & HUPCL) ? "HUPCL" : "") << (c.cflagOn ? "" : "none");
}

class LinkSettingsTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(LinkSettingsTest, KeepsHardwareFlowControlAndModemFlagsTurnsTheRestRaw) {
  constexpr tcflag_t kKept = CRTSCTS | CLOCAL | HUPCL;
  Pty pty;
  termios before{};
  ASSERT_EQ(tcgetattr(pty.Device(), &before), 0);
  before.c_cflag = (before.c_cflag & ~kKept) | GetParam().cflagOn;
  before.c_iflag |= IXON | IXOFF | IXANY | ICRNL;
  cfsetspeed(&before, B115200);
  before.c_cflag |= CSTOPB;
  ASSERT_EQ(tcsetattr(pty.Device(), TCSANOW, &before), 0);
  ASSERT_EQ(tcgetattr(pty.Device(), &before), 0);
  ASSERT_EQ(before.c_cflag & kKept, GetParam().cflagOn) << "the terminal did not take the flags";

  FixedChooser chooser(pty.Path());
  SerialLink link(chooser);
  link.OpenComPort();
  ASSERT_TRUE(link.FComHandle.IsOpen());
  termios after{};
  ASSERT_EQ(tcgetattr(pty.Device(), &after), 0);

  EXPECT_EQ(after.c_cflag & kKept, GetParam().cflagOn);
  EXPECT_EQ(cfgetospeed(&after), B9600);
  EXPECT_EQ(cfgetispeed(&after), B9600);
  EXPECT_EQ(after.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(after.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_EQ(after.c_iflag & (IXON | IXOFF | IXANY), 0u) << "software flow control left on";
  EXPECT_EQ(after.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
  EXPECT_EQ(after.c_oflag & OPOST, 0u);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);

  EXPECT_EQ(link.FDcb.BaudRate, 9600u);
  EXPECT_EQ(link.FDcb.ByteSize, 8);
  EXPECT_EQ(link.FTimeouts.ReadTotalTimeoutMultiplier, 40u);
  EXPECT_EQ(link.FTimeouts.ReadTotalTimeoutConstant, 0u);
}

INSTANTIATE_TEST_SUITE_P(Flags, LinkSettingsTest,
                         ::testing::Values(FlagCase{0}, FlagCase{CRTSCTS}, FlagCase{CLOCAL},
                                           FlagCase{HUPCL}, FlagCase{CRTSCTS | CLOCAL | HUPCL}));

TEST(LinkSettings, ControlBytesCrossUnchangedBothWaysOnAFreshTerminal) {
  // A fresh pseudo-terminal has the kernel's defaults: canonical mode, echo,
  // signals, CR/LF translation, XON/XOFF. None of it may touch data bytes.
  Pty pty;
  FixedChooser chooser(pty.Path());
  SerialLink link(chooser);
  link.OpenComPort();
  ASSERT_TRUE(link.FComHandle.IsOpen());
  const uint8_t bytes[] = {0x0A, 0x0D, 0x11, 0x13, 0x00, 0x03, 0x04, 0x1A, 0x1C, 0x7F, 0xFF};

  for (uint8_t b : bytes) link.SendByte(b);
  EXPECT_EQ(pty.ReadAll(), std::vector<uint8_t>(std::begin(bytes), std::end(bytes)));

  for (uint8_t b : bytes) {
    pty.Write(b);
    EXPECT_EQ(link.WaitByte(), b);
  }
  EXPECT_TRUE(pty.ReadAll().empty()) << "the terminal echoed received bytes";
}

}  // namespace
}  // namespace vpo
