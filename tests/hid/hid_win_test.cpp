// The Windows backend: hid.dll is loaded by name, every one of its four
// entry points must be there, and a search over SetupAPI's list of HID
// interfaces returns without touching anything it did not open.
#include <windows.h>
#include <gtest/gtest.h>

#include "links/hid_link.h"

namespace vpo {
namespace {

TEST(HidDll, MissingLibraryLeavesHidUnavailable) {
  HidLink link("vpo_no_such_hid.dll");
  link.LoadHidLibrary();
  EXPECT_FALSE(link.HidAvailable());
  EXPECT_FALSE(link.FindHidInstrument());
}

TEST(HidDll, LibraryWithoutManufacturerStringLeavesHidUnavailable) {
  HidLink link("stand_in_hid_no_manufacturer.dll");
  link.LoadHidLibrary();
  EXPECT_FALSE(link.HidAvailable());
  EXPECT_FALSE(link.FindHidInstrument());
  EXPECT_EQ(GetModuleHandleA("stand_in_hid_no_manufacturer.dll"), nullptr) << "released at once";
}

TEST(HidDll, CompleteStandInSearchesAndPassesEveryDeviceOver) {
  HidLink link("stand_in_hid.dll");
  link.LoadHidLibrary();
  ASSERT_TRUE(link.HidAvailable());
  EXPECT_FALSE(link.FindHidInstrument());
  EXPECT_EQ(link.HidDeviceHandle(), nullptr);
  link.FreeHidLibrary();
  EXPECT_EQ(GetModuleHandleA("stand_in_hid.dll"), nullptr);
}

TEST(HidDll, SystemHidDllLoadsAndSearches) {
  HidLink link;
  link.LoadHidLibrary();
  ASSERT_TRUE(link.HidAvailable());
  bool found = link.FindHidInstrument();
  EXPECT_EQ(found, link.HidDeviceHandle() != nullptr);
}

}  // namespace
}  // namespace vpo
