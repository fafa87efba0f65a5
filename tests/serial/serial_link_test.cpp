// The instrument protocol over a pseudo-terminal, against the simulator or a
// far end that the test plays itself.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "instrument_simulator.h"
#include "links/errors.h"
#include "links/serial_link.h"
#include "platform/serial_port.h"
#include "pty_fixture.h"

namespace vpo {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sim::InstrumentSimulator;
using sim::Mode;
using test::FixedChooser;
using test::Pty;

// Counts the polls of the probe and lets the test act before each one.
class WatchedLink : public SerialLink {
 public:
  using SerialLink::SerialLink;
  uint8_t PollByte() override {
    ++polls;
    if (beforePoll) beforePoll(polls);
    return SerialLink::PollByte();
  }
  int polls = 0;
  std::function<void(int)> beforePoll;
};

class SimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_.Start();
    chooser_.Set(sim_.Path());
  }

  // The bytes of one word read at W, as the host sends them.
  static std::vector<uint8_t> HostBytesOfWordRead(uint8_t W, uint16_t value) {
    const unsigned hi = 2u * W + 1, lo = 2u * W;
    return {0x03,
            static_cast<uint8_t>(hi / 256),
            static_cast<uint8_t>(hi % 256),
            static_cast<uint8_t>(value >> 8),
            0x03,
            static_cast<uint8_t>(lo / 256),
            static_cast<uint8_t>(lo % 256),
            static_cast<uint8_t>(value & 0xFF)};
  }

  InstrumentSimulator sim_;
  FixedChooser chooser_{""};
};

TEST_F(SimulatorTest, WordReadSendsTheAddressesHighByteFirstAndEchoesTheData) {
  struct Case {
    uint8_t W;
    uint16_t value;
  };
  const Case cases[] = {{0, 0x1234}, {82, 1234}, {127, 0xBEEF}, {128, 0x0102}, {255, 0xFF00}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.W);
    sim_.SetWord(c.W, c.value);
    sim_.ClearTranscript();
    SerialLink link(chooser_);
    EXPECT_EQ(link.ReadInstrumentWord(c.W), c.value);
    EXPECT_FALSE(link.FComHandle.IsOpen());
    ASSERT_TRUE(sim_.WaitForHostBytes(8, 3s));
    EXPECT_EQ(sim_.HostBytes(), HostBytesOfWordRead(c.W, c.value));
    const uint8_t a = InstrumentSimulator::DefaultAnswerByte;
    EXPECT_EQ(sim_.InstrumentBytes(),
              (std::vector<uint8_t>{a, a, a, static_cast<uint8_t>(c.value >> 8), a, a, a,
                                    static_cast<uint8_t>(c.value & 0xFF)}));
  }
}

TEST_F(SimulatorTest, WordAddress82IsTheWorkedExample) {
  SerialLink link(chooser_);
  EXPECT_EQ(link.ReadInstrumentWord(82), 1234);  // the simulator's default
  ASSERT_TRUE(sim_.WaitForHostBytes(8, 3s));
  EXPECT_EQ(sim_.HostBytes(),
            (std::vector<uint8_t>{0x03, 0x00, 0xA5, 0x04, 0x03, 0x00, 0xA4, 0xD2}));
}

TEST_F(SimulatorTest, WordValuesAreUnsignedAndDataBytesArePlainBytes) {
  for (uint16_t value : {0, 1234, 32768, 65535, 0x0D0A, 0x1311, 0x0300}) {
    sim_.SetWord(82, value);
    SerialLink link(chooser_);
    EXPECT_EQ(link.ReadInstrumentWord(82), static_cast<int32_t>(value));
  }
}

TEST_F(SimulatorTest, AnyAnswerByteCounts) {
  for (uint8_t answer : {0x00, 0xFF}) {
    SCOPED_TRACE(int(answer));
    sim_.SetAnswerByte(answer);
    sim_.SetWord(82, 4321);
    SerialLink link(chooser_);
    EXPECT_EQ(link.ProbeInstrument(), 1u);
    EXPECT_EQ(link.ReadInstrumentWord(82), 4321);
  }
}

TEST_F(SimulatorTest, ProbeAndWordReadReopenThePort) {
  SerialLink link(chooser_);
  ASSERT_EQ(link.ProbeInstrument(), 1u);
  EXPECT_FALSE(link.FComHandle.IsOpen());
  EXPECT_EQ(link.ReadInstrumentWord(82), 1234);
  EXPECT_FALSE(link.FComHandle.IsOpen());
  ASSERT_TRUE(sim_.WaitForHostBytes(9, 3s));
  EXPECT_EQ(sim_.HostBytes().front(), SerialLink::ProbeByte);
}

TEST(Probe, AnsweredInTheFirstPoll) {
  Pty pty;
  FixedChooser chooser(pty.Path());
  WatchedLink link(chooser);
  link.beforePoll = [&](int poll) {
    if (poll == 1) pty.Write(0x00);  // a 0x00 answer is an answer
  };
  EXPECT_EQ(link.ProbeInstrument(), 1u);
  EXPECT_EQ(link.polls, 1);
  EXPECT_EQ(pty.ReadAll(), std::vector<uint8_t>{0x37});
  EXPECT_FALSE(link.FComHandle.IsOpen());
}

TEST(Probe, AnsweredInTheEleventhPoll) {
  Pty pty;
  FixedChooser chooser(pty.Path());
  WatchedLink link(chooser);
  link.beforePoll = [&](int poll) {
    if (poll == 11) pty.Write(0xFF);
  };
  EXPECT_EQ(link.ProbeInstrument(), 1u);
  EXPECT_EQ(link.polls, 11);
  EXPECT_FALSE(link.FComHandle.IsOpen());
}

TEST(Probe, UnansweredAfterExactlyElevenPolls) {
  Pty pty;
  FixedChooser chooser(pty.Path());
  WatchedLink link(chooser);
  link.beforePoll = [&](int poll) {
    if (poll == 12) pty.Write(0x01);  // too late: must never be asked for
  };
  const auto start = Clock::now();
  EXPECT_EQ(link.ProbeInstrument(), 0u);
  const auto took = Clock::now() - start;
  EXPECT_EQ(link.polls, 11);
  EXPECT_GE(took, 11 * 39ms);  // eleven read time-outs, not fewer
  EXPECT_LT(took, 3s);
  EXPECT_FALSE(link.FComHandle.IsOpen());
  EXPECT_EQ(pty.ReadAll(), std::vector<uint8_t>{0x37});
}

TEST(Probe, APortThatCannotBeOpenedReturnsZeroWithoutWaiting) {
  Pty pty;
  platform::SerialPort holder;  // another program holds the port
  ASSERT_TRUE(holder.Open(pty.Path()));
  for (const std::string& text : {pty.Path(), std::string("/dev/no-such-port"),
                                  std::string("COMX")}) {
    SCOPED_TRACE(text);
    FixedChooser chooser(text);
    WatchedLink link(chooser);
    const auto start = Clock::now();
    EXPECT_EQ(link.ProbeInstrument(), 0u);
    EXPECT_LT(Clock::now() - start, 200ms);
    EXPECT_EQ(link.polls, 11);
    EXPECT_FALSE(link.FComHandle.IsOpen());
  }
  EXPECT_TRUE(pty.ReadAll().empty());
}

TEST(Probe, ShortPortTextRaisesTheRangeErrorBeforeOpening) {
  Pty pty;
  for (int index : {-1, 9}) {
    FixedChooser chooser("COM", index);
    SerialLink link(chooser);
    EXPECT_THROW(link.ProbeInstrument(), RangeError);
    EXPECT_THROW(link.ReadInstrumentWord(82), RangeError);
    EXPECT_FALSE(link.FComHandle.IsOpen());
  }
}

// Instruments that answer the probe, then fail the word read.
struct FaultCase {
  Mode mode;
  bool waitsForTheLimit;  // silence, rather than a line that is gone
  std::vector<uint8_t> hostBytes;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << sim::ModeName(c.mode); }

class WordReadFaultTest : public SimulatorTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(WordReadFaultTest, EndsInTheErrorWithinTheLimitWithThePortClosed) {
  const FaultCase& c = GetParam();
  sim_.SetMode(c.mode);
  const std::string path = sim_.Path();
  SerialLink link(chooser_);
  ASSERT_EQ(link.ProbeInstrument(), 1u);

  const auto start = Clock::now();
  try {
    link.ReadInstrumentWord(82);
    FAIL() << "the word read returned";
  } catch (const RangeError&) {
    FAIL() << "a range error";
  } catch (const Error& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find("перестал отвечать"), std::string::npos) << message;
  }
  const auto took = Clock::now() - start;
  EXPECT_LT(took, 3s);
  if (c.waitsForTheLimit) {
    EXPECT_GE(took, 950ms);
  }
  EXPECT_FALSE(link.FComHandle.IsOpen());
  EXPECT_EQ(sim_.HostBytes(), c.hostBytes);

  if (c.mode != Mode::Hangup) {
    // Closed for real: anyone can have the port now.
    platform::SerialPort port;
    EXPECT_TRUE(port.Open(path));
  } else {
    EXPECT_EQ(sim_.Hangups(), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, WordReadFaultTest,
    ::testing::Values(FaultCase{Mode::MuteAfterProbe, true, {0x37, 0x03}},
                      // The looped line returns the host's own three bytes; the
                      // data byte never comes.
                      FaultCase{Mode::Echo, true, {0x37, 0x03, 0x00, 0xA5}},
                      FaultCase{Mode::Hangup, false, {0x37, 0x03, 0x00}}),
    [](const auto& info) {
      std::string name(sim::ModeName(info.param.mode));
      std::erase(name, '-');
      return name;
    });

TEST_F(SimulatorTest, ASilentInstrumentFailsTheWordReadAfterTheLimit) {
  sim_.SetMode(Mode::Silent);
  SerialLink link(chooser_);
  EXPECT_EQ(link.ProbeInstrument(), 0u);
  const auto start = Clock::now();
  EXPECT_THROW(link.ReadInstrumentWord(82), Error);
  EXPECT_LT(Clock::now() - start, 3s);
  EXPECT_FALSE(link.FComHandle.IsOpen());
}

TEST_F(SimulatorTest, WaitByteOnAPortThatDidNotOpenFailsAtOnce) {
  platform::SerialPort holder;
  ASSERT_TRUE(holder.Open(sim_.Path()));
  SerialLink link(chooser_);
  const auto start = Clock::now();
  try {
    link.ReadInstrumentWord(82);
    FAIL() << "the word read returned";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(sim_.Path()), std::string::npos) << e.what();
  }
  EXPECT_LT(Clock::now() - start, 200ms);
}

}  // namespace
}  // namespace vpo
