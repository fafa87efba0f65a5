// The FTDI scan over a device list in memory: the listing it appends, which
// device it recognises, and how it treats failing list calls.
#include "links/ftdi_scan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "ftdi_test_support.h"

namespace vpo {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::FakeFtdiDeviceList;
using test::MakeNode;
using test::VectorSink;

struct Device {
  std::string serial;
  std::string description;
};

struct MatchCase {
  const char* name;
  std::vector<Device> devices;
  bool found;
  std::string serial;
};

class FtdiScanMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(FtdiScanMatch, RecognisesTheFamilyByItsDescription) {
  const MatchCase& c = GetParam();
  FakeFtdiDeviceList list;
  for (const Device& d : c.devices) list.nodes.push_back(MakeNode(d.serial, d.description));
  VectorSink sink;
  FtdiLink link(list, sink);

  const FtdiScanResult result = link.ScanFtdiDevices();

  EXPECT_EQ(result.found, c.found);
  EXPECT_EQ(result.serial, c.serial);
  // Every device is listed, matching or not.
  EXPECT_EQ(sink.lines.size(), 3 * c.devices.size());
}

const MatchCase kMatchCases[] = {
    {"NoDevice", {}, false, ""},
    {"ExactTag", {{"S1", "ZEL-VRT"}}, true, "S1"},
    {"TagAtStart", {{"S2", "ZEL-VRT USB"}}, true, "S2"},
    {"TagInMiddle", {{"S3", "XZEL-VRTX"}}, true, "S3"},
    {"TagAtEnd", {{"S4", "Converter ZEL-VRT"}}, true, "S4"},
    {"LowerCase", {{"S5", "zel-vrt"}}, false, ""},
    {"BlankForHyphen", {{"S6", "ZEL VRT"}}, false, ""},
    // Windows-1251 Cyrillic Е and Т in place of the Latin letters.
    {"CyrillicLookAlike", {{"S7", "Z\xC5L-VR\xD2"}}, false, ""},
    {"TagSplitAcrossFields", {{"ZEL-", "VRT"}}, false, ""},
    {"TagOnlyInSerial", {{"ZEL-VRT", "Converter"}}, false, ""},
    {"MatchLastOfMany", {{"a", "x"}, {"b", "y"}, {"c", "z"}, {"d", "w"}, {"e", "ZEL-VRT"}}, true, "e"},
    {"LastMatchWins", {{"FIRST", "ZEL-VRT 1"}, {"OTHER", "Converter"}, {"LAST", "ZEL-VRT 2"}}, true, "LAST"},
    {"EmptySerial", {{"", "ZEL-VRT"}}, true, ""},
    {"EarlierSerialNotKeptByLaterMatchWithEmptySerial", {{"A1", "ZEL-VRT"}, {"", "ZEL-VRT"}}, true, ""},
    {"Cp1251SerialUnchanged", {{" \xC0\xE1 7 ", "ZEL-VRT"}}, true, " \xC0\xE1 7 "},
    // A 16-byte serial without a NUL is the whole field.
    {"SerialFillsField", {{"0123456789ABCDEF", "ZEL-VRT"}}, true, "0123456789ABCDEF"},
    // The tag in the last 7 bytes of a full 64-byte description.
    {"TagAtEndOfFullDescription", {{"F", std::string(57, 'x') + "ZEL-VRT"}}, true, "F"},
    // The field ends after "ZEL-VR": what lies beyond is not the description.
    {"TagCutByFieldEnd", {{"G", std::string(58, 'x') + "ZEL-VRT"}}, false, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, FtdiScanMatch, ::testing::ValuesIn(kMatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FtdiScan, ListsIndexSerialAndDescriptionOfEveryDevice) {
  FakeFtdiDeviceList list;
  list.nodes = {MakeNode("FT01", "Converter A"), MakeNode("1234", "ZEL-VRT USB")};
  VectorSink sink;
  FtdiLink link(list, sink);

  const FtdiScanResult result = link.ScanFtdiDevices();

  EXPECT_THAT(sink.lines, ElementsAre("0", "FT01", "Converter A", "1", "1234", "ZEL-VRT USB"));
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.serial, "1234");
}

TEST(FtdiScan, TwoMatchesOfThreeGiveTheLaterSerialAndNineLines) {
  FakeFtdiDeviceList list;
  list.nodes = {MakeNode("AAA", "ZEL-VRT"), MakeNode("", ""), MakeNode("CCC", "ZEL-VRT 2")};
  VectorSink sink;
  FtdiLink link(list, sink);

  const FtdiScanResult result = link.ScanFtdiDevices();

  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.serial, "CCC");
  // An empty serial or description is an empty line, not a missing one.
  EXPECT_THAT(sink.lines, ElementsAre("0", "AAA", "ZEL-VRT", "1", "", "", "2", "CCC", "ZEL-VRT 2"));
}

TEST(FtdiScan, IndexesAreDecimalWithoutPadding) {
  FakeFtdiDeviceList list;
  list.nodes.assign(12, MakeNode("s", "d"));
  VectorSink sink;
  FtdiLink(list, sink).ScanFtdiDevices();

  ASSERT_EQ(sink.lines.size(), 36u);
  EXPECT_EQ(sink.lines[0], "0");
  EXPECT_EQ(sink.lines[27], "9");
  EXPECT_EQ(sink.lines[30], "10");
  EXPECT_EQ(sink.lines[33], "11");
}

TEST(FtdiScan, FullFieldsWithoutNulAreUsedWholeAndNoFurther) {
  FakeFtdiDeviceList list;
  const std::string description = "ZEL-VRT" + std::string(57, 'D');  // 64 bytes
  platform::FtdiDeviceNode node = MakeNode("0123456789ABCDEF", description);
  // Non-zero bytes right after the description: a reader that looks for a
  // NUL past the field's end would pick them up.
  node.ftHandle = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5858585858585858u & UINTPTR_MAX));
  list.nodes = {node};
  VectorSink sink;
  FtdiLink link(list, sink);

  const FtdiScanResult result = link.ScanFtdiDevices();

  ASSERT_EQ(sink.lines.size(), 3u);
  EXPECT_EQ(sink.lines[1], "0123456789ABCDEF");  // not followed by the description
  EXPECT_EQ(sink.lines[2], description);
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.serial, "0123456789ABCDEF");
}

TEST(FtdiScan, TextEndsAtFirstNulEvenWithBytesAfterIt) {
  FakeFtdiDeviceList list;
  platform::FtdiDeviceNode node = MakeNode("AB", "Conv");
  std::memcpy(node.SerialNumber + 3, "JUNK", 4);
  std::memcpy(node.Description + 5, "ZEL-VRT", 7);
  list.nodes = {node};
  VectorSink sink;

  const FtdiScanResult result = FtdiLink(list, sink).ScanFtdiDevices();

  EXPECT_THAT(sink.lines, ElementsAre("0", "AB", "Conv"));
  EXPECT_FALSE(result.found);
}

TEST(FtdiScan, EveryPressAppendsAFreshListing) {
  FakeFtdiDeviceList list;
  list.nodes = {MakeNode("N1", "ZEL-VRT")};
  VectorSink sink;
  FtdiLink link(list, sink);

  for (int press = 0; press < 3; ++press) {
    const FtdiScanResult result = link.ScanFtdiDevices();
    EXPECT_TRUE(result.found);
    EXPECT_EQ(result.serial, "N1");
  }
  EXPECT_THAT(sink.lines,
              ElementsAre("0", "N1", "ZEL-VRT", "0", "N1", "ZEL-VRT", "0", "N1", "ZEL-VRT"));
}

TEST(FtdiScan, ResultDoesNotCarryOverFromAnEarlierPress) {
  FakeFtdiDeviceList list;
  list.nodes = {MakeNode("N1", "ZEL-VRT")};
  VectorSink sink;
  FtdiLink link(list, sink);
  ASSERT_TRUE(link.ScanFtdiDevices().found);

  list.nodes = {MakeNode("N2", "Converter")};
  const FtdiScanResult second = link.ScanFtdiDevices();
  EXPECT_FALSE(second.found);
  EXPECT_EQ(second.serial, "");

  list.nodes.clear();
  const FtdiScanResult third = link.ScanFtdiDevices();
  EXPECT_FALSE(third.found);
  EXPECT_EQ(third.serial, "");
}

// How the statuses and counts of the two calls steer the scan.
struct StatusCase {
  const char* name;
  platform::FtdiStatusCode createStatus;
  std::optional<uint32_t> createCount;
  platform::FtdiStatusCode getStatus;
  int getCalls;        // whether the nodes are fetched at all
  bool listed;         // the one device is listed and found
  uint32_t lastStatus; // FtdiStatus after the scan
};

class FtdiScanStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(FtdiScanStatus, CountDecidesAfterFirstCallStatusAfterSecond) {
  const StatusCase& c = GetParam();
  FakeFtdiDeviceList list;
  list.nodes = {MakeNode("N1", "ZEL-VRT")};
  list.createStatus = c.createStatus;
  list.createCount = c.createCount;
  list.getStatus = c.getStatus;
  VectorSink sink;
  FtdiLink link(list, sink);

  const FtdiScanResult result = link.ScanFtdiDevices();

  EXPECT_EQ(list.getCalls, c.getCalls);
  EXPECT_EQ(result.found, c.listed);
  EXPECT_EQ(result.serial, c.listed ? "N1" : "");
  EXPECT_EQ(sink.lines.size(), c.listed ? 3u : 0u);
  EXPECT_EQ(link.FtdiStatus(), c.lastStatus);
}

const StatusCase kStatusCases[] = {
    {"BothSucceed", 0, std::nullopt, 0, 1, true, 0},
    {"NoDeviceStopsAfterFirstCall", 0, 0u, 0, 0, false, 0},
    {"FirstFailsWithZeroCount", 4, 0u, 0, 0, false, 4},
    // A failing first call whose count is above 0 still leads to the second.
    {"FirstFailsWithDevices", 4, std::nullopt, 0, 1, true, 0},
    {"SecondFails", 0, std::nullopt, 18, 1, false, 18},
    {"BothFail", 4, std::nullopt, 2, 1, false, 2},
};

INSTANTIATE_TEST_SUITE_P(Cases, FtdiScanStatus, ::testing::ValuesIn(kStatusCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FtdiScan, StatusIsZeroBeforeAnyScanAndFollowsTheLastCall) {
  FakeFtdiDeviceList list;
  list.nodes = {MakeNode("N1", "ZEL-VRT")};
  list.getStatus = 18;
  VectorSink sink;
  FtdiLink link(list, sink);
  EXPECT_EQ(link.FtdiStatus(), 0u);

  link.ScanFtdiDevices();
  EXPECT_EQ(link.FtdiStatus(), 18u);

  // The next scan stops after the first call: its status replaces the old one.
  list.nodes.clear();
  list.createStatus = 0;
  link.ScanFtdiDevices();
  EXPECT_EQ(link.FtdiStatus(), 0u);
}

TEST(FtdiScan, ListsOnlyTheNodesTheSecondCallReports) {
  FakeFtdiDeviceList list;
  list.nodes = {MakeNode("A", "x"), MakeNode("B", "ZEL-VRT"), MakeNode("C", "y")};
  list.getCount = 1;  // a device went away between the two calls
  VectorSink sink;

  const FtdiScanResult result = FtdiLink(list, sink).ScanFtdiDevices();

  EXPECT_THAT(sink.lines, ElementsAre("0", "A", "x"));
  EXPECT_FALSE(result.found);
}

TEST(FtdiScan, NeverReadsPastTheBufferWhenTheListClaimsMoreNodes) {
  FakeFtdiDeviceList list;
  list.nodes = {MakeNode("A", "x"), MakeNode("B", "ZEL-VRT")};
  list.getCount = 1000;  // more than the room that was offered
  VectorSink sink;

  const FtdiScanResult result = FtdiLink(list, sink).ScanFtdiDevices();

  EXPECT_THAT(sink.lines, ElementsAre("0", "A", "x", "1", "B", "ZEL-VRT"));
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.serial, "B");
}

// The memo lays out each insertion: a press hands it the whole listing at
// once, and hands it nothing at all when there is nothing to list.
TEST(FtdiScan, HandsTheListingOverInOneGo) {
  FakeFtdiDeviceList list;
  list.nodes = {MakeNode("A", "x"), MakeNode("B", "y"), MakeNode("C", "z")};
  VectorSink sink;
  FtdiLink link(list, sink);
  link.ScanFtdiDevices();
  EXPECT_THAT(sink.batches, ElementsAre(9u));

  list.getCount = 0;  // the second call reports no node after all
  link.ScanFtdiDevices();
  list.nodes.clear();
  list.getCount.reset();
  link.ScanFtdiDevices();
  EXPECT_THAT(sink.batches, ElementsAre(9u));
  EXPECT_EQ(sink.lines.size(), 9u);
}

TEST(FtdiScan, NothingIsListedWhenTheFirstCallFindsNoDevice) {
  FakeFtdiDeviceList list;
  VectorSink sink;
  FtdiLink link(list, sink);

  EXPECT_FALSE(link.ScanFtdiDevices().found);
  EXPECT_THAT(sink.lines, IsEmpty());
  EXPECT_EQ(list.getCalls, 0);
}

}  // namespace
}  // namespace vpo
