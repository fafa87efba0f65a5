#pragma once
// The HID support library, loaded by name at run time, and the few calls of
// it that the HID link makes. Windows: hid.dll with SetupAPI. Linux: hidapi
// (libhidapi-hidraw.so.0), opened with dlopen, so the program starts and the
// other links work where that library is not installed.
//
// Everything here runs on the GUI thread; nothing is locked.

#include <cstdint>
#include <memory>
#include <string>

namespace vpo::platform {

// An open HID device; null is "no device".
using HidHandle = void*;

// The device's USB identity, as the HID attributes record holds it.
struct HidAttributes {
  uint16_t VendorID = 0;
  uint16_t ProductID = 0;
  uint16_t VersionNumber = 0;
};

// One search's list of the HID interfaces present, in the platform's order.
// Destroying it releases the list.
class HidInterfaceList {
 public:
  enum class Member {
    End,     // no member at this index: the enumeration is over
    NoPath,  // a member whose device path could not be obtained
    Present  // a member, with its device path
  };

  virtual ~HidInterfaceList() = default;
  // Asks for member `index` (0, 1, 2, ... in turn); on Present, `path` holds
  // the device path to open.
  virtual Member GetInterface(uint32_t index, std::string& path) = 0;
};

class HidLibrary {
 public:
  virtual ~HidLibrary() = default;

  // Loads the named library and looks up every entry point the link needs.
  // True only when the library loaded and all of them are present; on false
  // nothing is held.
  virtual bool Load(const std::string& name) = 0;
  // Releases the library. Close every device first.
  virtual void Release() = 0;
  virtual bool Loaded() const = 0;

  // The calls below need a loaded library.

  // A fresh list of the present HID interfaces; null when it cannot be made.
  virtual std::unique_ptr<HidInterfaceList> ListInterfaces() = 0;
  // Opens a device for reading and writing, shared; null when it cannot be.
  virtual HidHandle OpenDevice(const std::string& path) = 0;
  virtual bool GetAttributes(HidHandle device, HidAttributes& attributes) = 0;
  // The USB serial number string, converted to Windows-1251 bytes; a
  // character without a form there becomes '?'. False when it cannot be read.
  virtual bool GetSerialNumberString(HidHandle device, std::string& serial) = 0;
  virtual void CloseDevice(HidHandle device) = 0;
};

// "libhidapi-hidraw.so.0" on Linux, "hid.dll" on Windows.
std::string DefaultHidLibraryName();

// The backend of this operating system (nothing loaded yet).
std::unique_ptr<HidLibrary> MakeSystemHidLibrary();

}  // namespace vpo::platform
