#pragma once
// The third link: the first USB HID device of the family (vendor 0x0483,
// product 0x9912 or 0x3257); its USB serial number's first two characters,
// read as hexadecimal, are the instrument number.
//
// The HID support library is loaded once, when the main window is built
// (LoadHidLibrary), and released when it is destroyed (FreeHidLibrary). When
// the library or any of its entry points is missing, HID support is
// unavailable for the whole run and every search returns false.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/hid_library.h"

namespace vpo {

class HidLink {
 public:
  static constexpr uint16_t FamilyVendorId = 0x0483;
  static constexpr uint16_t FamilyProductId = 0x9912;
  static constexpr uint16_t FamilyProductIdAlt = 0x3257;
  // 259 characters and a terminator.
  static constexpr size_t HidDevicePathSize = 260;

  explicit HidLink(std::string libraryName = platform::DefaultHidLibraryName());
  // Over another backend (tests).
  HidLink(std::unique_ptr<platform::HidLibrary> library, std::string libraryName);
  ~HidLink();
  HidLink(const HidLink&) = delete;
  HidLink& operator=(const HidLink&) = delete;

  // Once, when the main window is built.
  void LoadHidLibrary();
  // From FormDestroy: closes the kept device, then releases the library.
  void FreeHidLibrary();

  // A fresh search of the present HID interfaces; true when a device of the
  // family was found. It stays open, and its serial number (when readable)
  // sets HidInstrumentNumber.
  bool FindHidInstrument();

  // 0 to 255; 0 until a serial number has been read in this run.
  uint16_t HidInstrumentNumber() const { return HidInstrumentNumber_; }
  bool HidAvailable() const { return available_; }
  // The device kept by the last successful search (null: none) and its path.
  platform::HidHandle HidDeviceHandle() const { return HidDeviceHandle_; }
  const char* HidDevicePath() const { return HidDevicePath_; }

  // '0'..'9' give 0..9, 'A'..'F' give 10..15, every other byte 0.
  static int HexDigitValue(uint8_t character);

 private:
  void CloseKeptDevice();

  std::unique_ptr<platform::HidLibrary> library_;
  std::string libraryName_;
  bool available_ = false;
  platform::HidHandle HidDeviceHandle_ = nullptr;
  char HidDevicePath_[HidDevicePathSize] = {};
  uint16_t HidInstrumentNumber_ = 0;
};

}  // namespace vpo
