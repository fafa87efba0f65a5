#pragma once
// The first link: the FTDI device list. An instrument of the family is a
// device whose description contains "ZEL-VRT"; its serial number text is the
// instrument number.

#include <cstdint>
#include <string>
#include <string_view>

#include "links/line_sink.h"
#include "platform/ftdi_device_list.h"

namespace vpo {

struct FtdiScanResult {
  bool found = false;
  std::string serial;  // Windows-1251 bytes, as the device list holds them
};

class FtdiLink {
 public:
  static constexpr std::string_view FamilyTag = "ZEL-VRT";

  FtdiLink(platform::FtdiDeviceList& list, LineSink& listing);

  // Lists every device into the listing (index, serial, description: three
  // lines each) and reports the last device of the family with its serial.
  FtdiScanResult ScanFtdiDevices();

  // Status of the last list call made by the last scan (0 before any scan).
  uint32_t FtdiStatus() const { return FtdiStatus_; }

 private:
  platform::FtdiDeviceList& list_;
  LineSink& listing_;
  uint32_t FtdiStatus_ = 0;
};

}  // namespace vpo
