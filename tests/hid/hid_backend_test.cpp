// The Linux backend over stand-in hidapi libraries built by the tests: the
// library is opened by name, every entry point must be there, the search
// runs over hidapi's enumeration, and wide serial strings become numbers.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "links/hid_link.h"
#include "stand_in_hidapi.h"

namespace vpo {
namespace {

bool IsLoaded(const char* path) {
  void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

// Loads the complete stand-in through the link and holds a reference of its
// own, so the stand-in's counters outlive the link's release.
class StandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    link_.LoadHidLibrary();
    ASSERT_TRUE(link_.HidAvailable());
    handle_ = dlopen(VPO_STAND_IN_FULL, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle_, nullptr);
    setDevices_ = reinterpret_cast<StandInSetDevicesFn>(dlsym(handle_, "stand_in_set_devices"));
    counters_ = reinterpret_cast<StandInCountersFn>(dlsym(handle_, "stand_in_counters"));
    ASSERT_NE(setDevices_, nullptr);
    ASSERT_NE(counters_, nullptr);
  }
  void TearDown() override {
    link_.FreeHidLibrary();
    if (handle_ != nullptr) dlclose(handle_);
  }
  void SetDevices(const std::vector<StandInDevice>& devices) {
    setDevices_(devices.data(), static_cast<int>(devices.size()));
  }
  StandInCounters Counters() { return counters_(); }

  HidLink link_{VPO_STAND_IN_FULL};
  void* handle_ = nullptr;
  StandInSetDevicesFn setDevices_ = nullptr;
  StandInCountersFn counters_ = nullptr;
};

TEST(HidLibraryLoad, MissingLibraryLeavesHidUnavailable) {
  HidLink link("libvpo-no-such-hidapi.so.0");
  link.LoadHidLibrary();
  EXPECT_FALSE(link.HidAvailable());
  EXPECT_FALSE(link.FindHidInstrument());
  EXPECT_FALSE(link.FindHidInstrument());
  link.FreeHidLibrary();
  EXPECT_EQ(link.HidInstrumentNumber(), 0);
}

TEST(HidLibraryLoad, LibraryWithoutManufacturerStringIsReleasedAndUnused) {
  HidLink link(VPO_STAND_IN_NO_MANUFACTURER);
  link.LoadHidLibrary();
  EXPECT_FALSE(link.HidAvailable());
  EXPECT_FALSE(IsLoaded(VPO_STAND_IN_NO_MANUFACTURER)) << "released at once";
  EXPECT_FALSE(link.FindHidInstrument());
  EXPECT_FALSE(link.FindHidInstrument());
}

TEST(HidLibraryLoad, FreeReleasesTheLibrary) {
  {
    HidLink link(VPO_STAND_IN_FULL);
    link.LoadHidLibrary();
    EXPECT_TRUE(link.HidAvailable());
    EXPECT_TRUE(IsLoaded(VPO_STAND_IN_FULL));
    link.FreeHidLibrary();
    EXPECT_FALSE(IsLoaded(VPO_STAND_IN_FULL));
    link.LoadHidLibrary();
    EXPECT_TRUE(IsLoaded(VPO_STAND_IN_FULL));
  }
  EXPECT_FALSE(IsLoaded(VPO_STAND_IN_FULL)) << "released on destruction";
}

TEST(HidLibraryLoad, SystemHidapiLoadsWhereInstalled) {
  void* probe = dlopen(platform::DefaultHidLibraryName().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (probe == nullptr) GTEST_SKIP() << "libhidapi-hidraw.so.0 is not installed";
  dlclose(probe);
  HidLink link;
  link.LoadHidLibrary();
  EXPECT_TRUE(link.HidAvailable());
}

TEST_F(StandInTest, NoDevice) {
  EXPECT_FALSE(link_.FindHidInstrument());
  StandInCounters c = Counters();
  EXPECT_EQ(c.inits, 1);
  EXPECT_EQ(c.opens, 0);
}

TEST_F(StandInTest, FirstFamilyDeviceInEnumerationOrderIsKeptOpen) {
  SetDevices({
      {"/dev/hidraw0", 0x0483, 0x9913, L"11", 1},  // another product: closed
      {nullptr, 0x0483, 0x9912, L"22", 1},         // no path: skipped
      {"/dev/hidraw2", 0x0483, 0x9912, L"33", 0},  // cannot be opened
      {"/dev/hidraw3", 0x1234, 0x9912, L"44", 1},  // another vendor: closed
      {"/dev/hidraw4", 0x0483, 0x3257, L"3A01", 1},
      {"/dev/hidraw5", 0x0483, 0x9912, L"FF", 1},  // never opened
  });
  ASSERT_TRUE(link_.FindHidInstrument());
  EXPECT_EQ(link_.HidInstrumentNumber(), 58);
  EXPECT_STREQ(link_.HidDevicePath(), "/dev/hidraw4");
  StandInCounters c = Counters();
  EXPECT_EQ(c.enumerations, 1);
  EXPECT_EQ(c.frees, 1);
  EXPECT_EQ(c.opens, 4);
  EXPECT_EQ(c.closes, 2);
  EXPECT_EQ(c.openDevices, 1);
  EXPECT_EQ(c.serialReads, 1);
  EXPECT_EQ(c.manufacturerReads, 0);

  // Searching again opens the device once more and closes the old handle.
  ASSERT_TRUE(link_.FindHidInstrument());
  EXPECT_EQ(Counters().openDevices, 1);

  link_.FreeHidLibrary();
  c = Counters();
  EXPECT_EQ(c.openDevices, 0);
  EXPECT_EQ(c.exits, 1);
}

TEST_F(StandInTest, UnreadableSerialStillFinds) {
  SetDevices({{"/dev/hidraw0", 0x0483, 0x9912, nullptr, 1}});
  ASSERT_TRUE(link_.FindHidInstrument());
  EXPECT_EQ(link_.HidInstrumentNumber(), 0);
}

struct WideSerialCase {
  const wchar_t* serial;
  uint16_t number;
};

void PrintTo(const WideSerialCase& c, std::ostream* os) {
  *os << "serial";
  for (const wchar_t* p = c.serial; *p != L'\0'; ++p) *os << " U+" << std::hex << static_cast<uint32_t>(*p) << std::dec;
  *os << " gives " << c.number;
}

class WideSerialTest : public StandInTest, public ::testing::WithParamInterface<WideSerialCase> {};

TEST_P(WideSerialTest, NumberFromTheConvertedSerial) {
  SetDevices({{"/dev/hidraw0", 0x0483, 0x9912, GetParam().serial, 1}});
  ASSERT_TRUE(link_.FindHidInstrument());
  EXPECT_EQ(link_.HidInstrumentNumber(), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Table, WideSerialTest,
                         ::testing::Values(WideSerialCase{L"3A01", 58}, WideSerialCase{L"3a", 48},
                                           WideSerialCase{L"FF", 255}, WideSerialCase{L"G7", 7},
                                           WideSerialCase{L"9", 144}, WideSerialCase{L"", 0},
                                           WideSerialCase{L"\u04165", 5},       // Cyrillic: a byte >= 0x80
                                           WideSerialCase{L"\u4E2D5", 5},       // no form in the code page
                                           WideSerialCase{L"\U0001F6005", 5},   // outside the BMP
                                           WideSerialCase{L"\uFF21\uFF22", 0},  // full-width A B: no look-alikes
                                           WideSerialCase{L"A\u4E2D", 160}));   // the second position holds one

}  // namespace
}  // namespace vpo
