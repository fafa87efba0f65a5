// The real hidapi (libhidapi-hidraw.so.0) through the Linux backend, over an
// umockdev testbed holding one instrument: hidraw0, 0483:9912, USB serial
// "3A01". Run by umockdev-run with the device and ioctl records.
#include <gtest/gtest.h>

#include <cstdlib>

#include "links/hid_link.h"

namespace vpo {
namespace {

TEST(HidUmockdev, FindsTheRecordedInstrumentAndReadsItsNumber) {
  ASSERT_NE(std::getenv("UMOCKDEV_DIR"), nullptr) << "run under umockdev-run";
  HidLink link;
  link.LoadHidLibrary();
  ASSERT_TRUE(link.HidAvailable()) << "libhidapi-hidraw.so.0 is not installed";
  ASSERT_TRUE(link.FindHidInstrument());
  EXPECT_STREQ(link.HidDevicePath(), "/dev/hidraw0");
  EXPECT_EQ(link.HidInstrumentNumber(), 58);

  // Again: the device is opened once more and found the same.
  ASSERT_TRUE(link.FindHidInstrument());
  EXPECT_EQ(link.HidInstrumentNumber(), 58);
  link.FreeHidLibrary();
}

}  // namespace
}  // namespace vpo
