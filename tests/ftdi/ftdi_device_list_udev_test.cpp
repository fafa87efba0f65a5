// The Linux FTDI device list over fake sysfs trees. umockdev's preloaded
// library redirects /sys into the test bed that each test builds; the test
// starts itself again with that library preloaded when it is not.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <umockdev.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ftdi_test_support.h"
#include "links/ftdi_scan.h"
#include "platform/ftdi_device_list.h"

namespace vpo::platform {
namespace {

using ::testing::ElementsAre;

constexpr const char* kPreload = "libumockdev-preload.so.0";

bool Preloaded() {
  const char* preload = std::getenv("LD_PRELOAD");
  return preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr;
}

std::string Text(const char* field, size_t size) {
  size_t n = 0;
  while (n < size && field[n] != '\0') ++n;
  return std::string(field, n);
}

struct Listed {
  std::string serial;
  std::string description;
  bool operator==(const Listed&) const = default;
};

void PrintTo(const Listed& l, std::ostream* os) { *os << "{\"" << l.serial << "\", \"" << l.description << "\"}"; }

class UdevFtdiDeviceList : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Preloaded()) << "libumockdev-preload is not preloaded";
    testbed_ = umockdev_testbed_new();
  }
  void TearDown() override {
    if (testbed_ != nullptr) g_object_unref(testbed_);
  }

  void Load(const char* file) {
    const std::string path = std::string(FTDI_TEST_DATA_DIR) + "/" + file;
    GError* error = nullptr;
    const bool ok = umockdev_testbed_add_from_file(testbed_, path.c_str(), &error);
    ASSERT_TRUE(ok) << path << ": " << (error != nullptr ? error->message : "?");
  }

  // Both calls, the second with room for exactly the first call's count.
  std::vector<FtdiDeviceNode> ReadList() {
    auto list = MakeSystemFtdiDeviceList();
    uint32_t count = 12345;
    EXPECT_EQ(list->CreateDeviceInfoList(&count), kFtdiOk);
    std::vector<FtdiDeviceNode> nodes(count);
    uint32_t filled = count;
    EXPECT_EQ(list->GetDeviceInfoList(nodes.data(), &filled), kFtdiOk);
    EXPECT_EQ(filled, count);
    nodes.resize(filled);
    return nodes;
  }

  static std::vector<Listed> Texts(const std::vector<FtdiDeviceNode>& nodes) {
    std::vector<Listed> out;
    for (const FtdiDeviceNode& n : nodes)
      out.push_back({Text(n.SerialNumber, sizeof n.SerialNumber), Text(n.Description, sizeof n.Description)});
    return out;
  }

  UMockdevTestbed* testbed_ = nullptr;
};

TEST_F(UdevFtdiDeviceList, EmptyWhenNoUsbDevice) {
  EXPECT_TRUE(ReadList().empty());
}

TEST_F(UdevFtdiDeviceList, SingleChannelConverter) {
  Load("ftdi_single.umockdev");
  const std::vector<FtdiDeviceNode> nodes = ReadList();

  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_THAT(Texts(nodes), ElementsAre(Listed{"A50285BI", "FT232R USB UART"}));
  EXPECT_EQ(nodes[0].ID, 0x04036001u);
  EXPECT_EQ(nodes[0].Type, 5u);  // FT232R
  EXPECT_EQ(nodes[0].Flags, 0u);
  EXPECT_EQ(nodes[0].LocId, 0x12u);
  EXPECT_EQ(nodes[0].ftHandle, nullptr);
}

TEST_F(UdevFtdiDeviceList, DualChannelConverterGivesOneNodePerChannel) {
  Load("ftdi_dual.umockdev");
  const std::vector<FtdiDeviceNode> nodes = ReadList();

  EXPECT_THAT(Texts(nodes),
              ElementsAre(Listed{"FT5ZQ1ABA", "Dual RS232-HS A"}, Listed{"FT5ZQ1ABB", "Dual RS232-HS B"}));
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[0].ID, 0x04036010u);
  EXPECT_EQ(nodes[0].Type, 6u);   // FT2232H
  EXPECT_EQ(nodes[0].Flags, 2u);  // high speed
  EXPECT_NE(nodes[0].LocId, nodes[1].LocId);
}

TEST_F(UdevFtdiDeviceList, ChannelsCountedFromInterfacesWhenTheDeviceDoesNotSay) {
  Load("ftdi_quad_unconfigured.umockdev");
  EXPECT_THAT(Texts(ReadList()), ElementsAre(Listed{"A", "Quad RS232-HS A"}, Listed{"B", "Quad RS232-HS B"},
                                             Listed{"C", "Quad RS232-HS C"}, Listed{"D", "Quad RS232-HS D"}));
}

TEST_F(UdevFtdiDeviceList, OtherVendorsAreLeftOut) {
  Load("other_usb.umockdev");
  EXPECT_TRUE(ReadList().empty());
  Load("ftdi_single.umockdev");
  EXPECT_THAT(Texts(ReadList()), ElementsAre(Listed{"A50285BI", "FT232R USB UART"}));
}

TEST_F(UdevFtdiDeviceList, NonAsciiStringsBecomeWindows1251) {
  Load("ftdi_non_ascii.umockdev");
  // "Прибор ZEL-VRT №7 ✓": the check mark has no form in the code page.
  EXPECT_THAT(Texts(ReadList()),
              ElementsAre(Listed{"\xC6" "12", "\xCF\xF0\xE8\xE1\xEE\xF0 ZEL-VRT \xB9" "7 ?"}));
}

TEST_F(UdevFtdiDeviceList, OrderedByBusThenPortPath) {
  // Loaded out of order; port 10 comes after port 9 and after 1.4.
  Load("ftdi_non_ascii.umockdev");       // bus 2, port 1
  Load("ftdi_long_texts.umockdev");      // bus 1, ports 10 and 9
  Load("ftdi_single.umockdev");          // bus 1, port 2
  Load("ftdi_quad_unconfigured.umockdev");  // bus 3, port 2
  Load("ftdi_dual.umockdev");            // bus 1, port 1.4
  const std::vector<FtdiDeviceNode> nodes = ReadList();

  std::vector<uint32_t> loc;
  for (const FtdiDeviceNode& n : nodes) loc.push_back(n.LocId);
  EXPECT_THAT(loc, ElementsAre(0x1141u, 0x1142u, 0x12u, 0x191u, 0x192u, 0x1Au, 0x21u, 0x321u, 0x322u, 0x323u,
                               0x324u));
  ASSERT_EQ(nodes.size(), 11u);
  EXPECT_EQ(Text(nodes[2].SerialNumber, 16), "A50285BI");
  EXPECT_EQ(Text(nodes[5].Description, 64).substr(0, 6), "Single");
  EXPECT_EQ(Text(nodes[6].SerialNumber, 16), "\xC6" "12");
}

TEST_F(UdevFtdiDeviceList, LongTextsFillTheFieldsAndKeepTheChannelLetter) {
  Load("ftdi_long_texts.umockdev");
  const std::vector<FtdiDeviceNode> nodes = ReadList();
  ASSERT_EQ(nodes.size(), 3u);

  const std::string dual = "Dual channel converter with a product string far longer than sixty-four";
  const std::string single = "Single channel converter with a product string far longer than sixty-four";
  // Port 9, two channels: 15 + 1 and 62 + 2 bytes.
  EXPECT_EQ(Text(nodes[0].SerialNumber, 16), "FT0123456789ABCA");
  EXPECT_EQ(Text(nodes[1].SerialNumber, 16), "FT0123456789ABCB");
  EXPECT_EQ(Text(nodes[0].Description, 64), dual.substr(0, 62) + " A");
  EXPECT_EQ(Text(nodes[1].Description, 64), dual.substr(0, 62) + " B");
  // Port 10, one channel: a 16-byte serial fills its field without a NUL.
  EXPECT_EQ(Text(nodes[2].SerialNumber, 16), "FT0123456789ABCD");
  EXPECT_EQ(Text(nodes[2].Description, 64), single.substr(0, 64));
}

TEST_F(UdevFtdiDeviceList, ShortTextsAreNulTerminatedAndZeroPadded) {
  Load("ftdi_single.umockdev");
  const std::vector<FtdiDeviceNode> nodes = ReadList();
  ASSERT_EQ(nodes.size(), 1u);
  for (size_t i = 8; i < sizeof nodes[0].SerialNumber; ++i) EXPECT_EQ(nodes[0].SerialNumber[i], '\0');
  for (size_t i = 15; i < sizeof nodes[0].Description; ++i) EXPECT_EQ(nodes[0].Description[i], '\0');
}

TEST_F(UdevFtdiDeviceList, SecondCallCopiesTheSnapshotOfTheFirst) {
  Load("ftdi_single.umockdev");
  Load("ftdi_dual.umockdev");
  auto list = MakeSystemFtdiDeviceList();
  uint32_t count = 0;
  ASSERT_EQ(list->CreateDeviceInfoList(&count), kFtdiOk);
  ASSERT_EQ(count, 3u);

  // A converter is unplugged, another plugged in between the two calls.
  umockdev_testbed_remove_device(testbed_, "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1.4");
  Load("ftdi_non_ascii.umockdev");

  std::vector<FtdiDeviceNode> nodes(count);
  uint32_t filled = count;
  ASSERT_EQ(list->GetDeviceInfoList(nodes.data(), &filled), kFtdiOk);
  EXPECT_EQ(filled, 3u);
  EXPECT_THAT(Texts(nodes), ElementsAre(Listed{"FT5ZQ1ABA", "Dual RS232-HS A"},
                                        Listed{"FT5ZQ1ABB", "Dual RS232-HS B"},
                                        Listed{"A50285BI", "FT232R USB UART"}));

  // Less room than the snapshot: only what fits, and the count says so.
  std::vector<FtdiDeviceNode> small(1);
  uint32_t room = 1;
  ASSERT_EQ(list->GetDeviceInfoList(small.data(), &room), kFtdiOk);
  EXPECT_EQ(room, 1u);
  EXPECT_EQ(Text(small[0].SerialNumber, 16), "FT5ZQ1ABA");

  // The next snapshot sees the change.
  ASSERT_EQ(list->CreateDeviceInfoList(&count), kFtdiOk);
  EXPECT_EQ(count, 2u);
}

TEST_F(UdevFtdiDeviceList, SecondCallBeforeTheFirstGivesNothing) {
  Load("ftdi_single.umockdev");
  auto list = MakeSystemFtdiDeviceList();
  std::vector<FtdiDeviceNode> nodes(4);
  uint32_t room = 4;
  EXPECT_EQ(list->GetDeviceInfoList(nodes.data(), &room), kFtdiOk);
  EXPECT_EQ(room, 0u);
  room = 1;
  EXPECT_EQ(list->GetDeviceInfoList(nullptr, &room), kFtdiInvalidParameter);
  EXPECT_EQ(list->CreateDeviceInfoList(nullptr), kFtdiInvalidParameter);
}

TEST_F(UdevFtdiDeviceList, ScanFindsTheInstrumentOnTheSystemList) {
  Load("ftdi_single.umockdev");
  Load("other_usb.umockdev");  // "ZEL-VRT Receiver", but not an FTDI device
  Load("ftdi_non_ascii.umockdev");
  auto list = MakeSystemFtdiDeviceList();
  test::VectorSink sink;
  FtdiLink link(*list, sink);

  const FtdiScanResult result = link.ScanFtdiDevices();

  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.serial, "\xC6" "12");
  EXPECT_THAT(sink.lines, ElementsAre("0", "A50285BI", "FT232R USB UART", "1", "\xC6" "12",
                                      "\xCF\xF0\xE8\xE1\xEE\xF0 ZEL-VRT \xB9" "7 ?"));
}

}  // namespace
}  // namespace vpo::platform

// Listing the tests needs no test bed; running them does.
int main(int argc, char** argv) {
  bool listing = false;
  for (int i = 1; i < argc; ++i) listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
  if (!listing && !vpo::platform::Preloaded()) {
    const char* preload = std::getenv("LD_PRELOAD");
    const std::string preloads = std::string(vpo::platform::kPreload) + (preload != nullptr ? std::string(":") + preload : "");
    setenv("LD_PRELOAD", preloads.c_str(), 1);
    // The sanitizer runtime then no longer comes first; it works all the same.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = (asan != nullptr ? std::string(asan) + ":" : "") + "verify_asan_link_order=0";
    setenv("ASAN_OPTIONS", asanOptions.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("execv");
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
