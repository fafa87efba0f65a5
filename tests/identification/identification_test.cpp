#include "identification/identification.h"
#include "links/errors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vpo {
namespace {

// Records which link operations ran, in order, and answers from a script.
class ScriptedLinks : public InstrumentLinks {
 public:
  std::optional<std::string> ftdiSerial;  // set: the FTDI list holds an instrument
  uint32_t probe = 0;
  int32_t word = 0;
  bool hid = false;
  uint16_t hidNumber = 0;
  bool throwInWordRead = false;
  std::vector<std::string> calls;

  FtdiScanResult ScanFtdiDevices() override {
    calls.push_back("ftdi");
    return {ftdiSerial.has_value(), ftdiSerial.value_or("")};
  }
  uint32_t ProbeInstrument() override {
    calls.push_back("probe");
    return probe;
  }
  int32_t ReadInstrumentWord(uint8_t address) override {
    calls.push_back("word " + std::to_string(address));
    if (throwInWordRead) throw Error("silent");
    return word;
  }
  bool FindHidInstrument() override {
    calls.push_back("hid");
    return hid;
  }
  uint16_t HidInstrumentNumber() const override { return hidNumber; }
};

const std::string kPrefix(ModelPrefix);

TEST(IdentificationTest, FtdiFoundStopsTheSearch) {
  ScriptedLinks links;
  links.ftdiSerial = "A1B2";
  links.probe = 1;
  links.hid = true;
  const auto result = IdentifyInstrument(links);
  EXPECT_EQ(result.link, FoundBy::Ftdi);
  EXPECT_EQ(result.model, kPrefix + "A1B2");
  EXPECT_EQ(result.version, "V10.20");
  EXPECT_EQ(result.digitalId, "365855C93D425F2EAA3A55EEB4813D26");
  EXPECT_THAT(links.calls, testing::ElementsAre("ftdi"));
}

TEST(IdentificationTest, FtdiSerialIsTakenUnchanged) {
  for (std::string serial : {std::string(), std::string(" a1 "), std::string("\xC0\xFF", 2)}) {
    ScriptedLinks links;
    links.ftdiSerial = serial;
    EXPECT_EQ(IdentifyInstrument(links).model, kPrefix + serial);
  }
}

TEST(IdentificationTest, SerialWordIsShownInDecimal) {
  struct Case {
    int32_t word;
    const char* text;
  };
  for (const Case& c : {Case{1234, "1234"}, Case{0, "0"}, Case{65535, "65535"}, Case{32768, "32768"}}) {
    ScriptedLinks links;
    links.probe = 1;
    links.word = c.word;
    links.hid = true;
    const auto result = IdentifyInstrument(links);
    EXPECT_EQ(result.link, FoundBy::Serial);
    EXPECT_EQ(result.model, kPrefix + c.text);
    EXPECT_EQ(result.version, "V10.20");
    EXPECT_THAT(links.calls, testing::ElementsAre("ftdi", "probe", "word 82"));
  }
}

TEST(IdentificationTest, HidIsTheLastLink) {
  ScriptedLinks links;
  links.hid = true;
  links.hidNumber = 18;
  const auto result = IdentifyInstrument(links);
  EXPECT_EQ(result.link, FoundBy::Hid);
  EXPECT_EQ(result.model, kPrefix + "18");
  EXPECT_EQ(result.digitalId, "365855C93D425F2EAA3A55EEB4813D26");
  EXPECT_THAT(links.calls, testing::ElementsAre("ftdi", "probe", "hid"));
}

TEST(IdentificationTest, NothingFoundGivesThreeBlanks) {
  ScriptedLinks links;
  const auto result = IdentifyInstrument(links);
  EXPECT_FALSE(result.found());
  EXPECT_EQ(result.model, " ");
  EXPECT_EQ(result.version, " ");
  EXPECT_EQ(result.digitalId, " ");
  EXPECT_EQ(LinkName(result.link), "");
}

TEST(IdentificationTest, ExceptionInALinkPassesThrough) {
  ScriptedLinks links;
  links.probe = 1;
  links.throwInWordRead = true;
  EXPECT_THROW(IdentifyInstrument(links), Error);
}

TEST(IdentificationTest, DecimalTextHasNoPaddingOrSign) {
  EXPECT_EQ(DecimalText(0), "0");
  EXPECT_EQ(DecimalText(7), "7");
  EXPECT_EQ(DecimalText(10), "10");
  EXPECT_EQ(DecimalText(4294967295u), "4294967295");
}

}  // namespace
}  // namespace vpo
