#pragma once
// The FTDI device list, shaped like the two calls of the vendor's D2XX
// library that the scan relies on. Windows: ftd2xx.dll itself. Linux: the
// USB devices in sysfs, read through libudev, so that neither the vendor's
// driver nor root nor an opened device is needed.

#include <cstdint>
#include <memory>

namespace vpo::platform {

// The vendor library's device node, in its published layout.
struct FtdiDeviceNode {
  uint32_t Flags;
  uint32_t Type;
  uint32_t ID;
  uint32_t LocId;
  char SerialNumber[16];  // NUL-terminated unless all 16 bytes are used
  char Description[64];   // NUL-terminated unless all 64 bytes are used
  void* ftHandle;
};

using FtdiStatusCode = uint32_t;  // 0 is success, as FT_OK
constexpr FtdiStatusCode kFtdiOk = 0;
constexpr FtdiStatusCode kFtdiIoError = 4;           // FT_IO_ERROR
constexpr FtdiStatusCode kFtdiInvalidParameter = 6;  // FT_INVALID_PARAMETER

class FtdiDeviceList {
 public:
  virtual ~FtdiDeviceList() = default;
  // FT_CreateDeviceInfoList: takes a snapshot of the attached devices and
  // writes its length.
  virtual FtdiStatusCode CreateDeviceInfoList(uint32_t* count) = 0;
  // FT_GetDeviceInfoList: copies the snapshot of the last
  // CreateDeviceInfoList into room for *count nodes and writes the number
  // filled into *count. Devices that come or go in between do not change it.
  virtual FtdiStatusCode GetDeviceInfoList(FtdiDeviceNode* nodes, uint32_t* count) = 0;
};

// The list of this machine.
std::unique_ptr<FtdiDeviceList> MakeSystemFtdiDeviceList();

}  // namespace vpo::platform
