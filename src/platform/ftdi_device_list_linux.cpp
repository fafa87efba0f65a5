// The FTDI device list from sysfs, read through libudev. Nothing is opened and
// no vendor driver is involved: the USB descriptors that the kernel already
// read are enough to build the nodes that the vendor library would report.
#include "platform/ftdi_device_list.h"

#include <libudev.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/text_codec.h"

namespace vpo::platform {
namespace {

constexpr unsigned kFtdiVendorId = 0x0403;
// No FTDI chip has more than four channels; letters past Z would make no sense.
constexpr unsigned kMaxInterfaceLetters = 26;

// Chip kinds as the vendor library numbers them (FT_DEVICE), told apart by
// the device release number.
constexpr uint32_t kTypeBm = 0, kTypeAm = 1, kTypeUnknown = 3, kType2232C = 4, kType232R = 5,
                   kType2232H = 6, kType4232H = 7, kType232H = 8, kTypeXSeries = 9;
constexpr uint32_t kFlagHighSpeed = 2;  // FT_FLAGS_HISPEED

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

std::string_view Attr(udev_device* dev, const char* name) {
  const char* value = udev_device_get_sysattr_value(dev, name);
  return value != nullptr ? std::string_view(value) : std::string_view();
}

// A number written in sysfs ("0403", " 2", "480"). Returns `fallback` for an
// absent or malformed value.
unsigned long Number(std::string_view text, int base, unsigned long fallback) {
  std::string copy(text);
  const char* begin = copy.c_str();
  char* end = nullptr;
  unsigned long value = std::strtoul(begin, &end, base);
  if (end == begin) return fallback;
  while (*end == ' ' || *end == '\n') ++end;
  return *end == '\0' ? value : fallback;
}

// "1.4.2" -> {1, 4, 2}
std::vector<unsigned> PortPath(std::string_view devpath) {
  std::vector<unsigned> ports;
  while (!devpath.empty()) {
    size_t dot = devpath.find('.');
    ports.push_back(static_cast<unsigned>(Number(devpath.substr(0, dot), 10, 0)));
    if (dot == std::string_view::npos) break;
    devpath.remove_prefix(dot + 1);
  }
  return ports;
}

uint32_t ChipType(unsigned bcdDevice) {
  switch (bcdDevice >> 8) {
    case 0x02: return kTypeAm;
    case 0x04: return kTypeBm;
    case 0x05: return kType2232C;
    case 0x06: return kType232R;
    case 0x07: return kType2232H;
    case 0x08: return kType4232H;
    case 0x09: return kType232H;
    case 0x10: return kTypeXSeries;
    default: return kTypeUnknown;
  }
}

struct UsbDevice {
  unsigned bus = 0;
  std::vector<unsigned> ports;
  uint32_t id = 0;  // vendor id << 16 | product id
  uint32_t type = kTypeUnknown;
  uint32_t flags = 0;
  unsigned interfaces = 1;
  std::string description;  // Windows-1251
  std::string serial;       // Windows-1251
};

unsigned CountInterfaceChildren(udev* u, udev_device* dev) {
  UdevPtr<udev_enumerate> e(udev_enumerate_new(u));
  if (!e) return 0;
  udev_enumerate_add_match_parent(e.get(), dev);
  udev_enumerate_add_match_subsystem(e.get(), "usb");
  udev_enumerate_add_match_property(e.get(), "DEVTYPE", "usb_interface");
  if (udev_enumerate_scan_devices(e.get()) < 0) return 0;
  unsigned n = 0;
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) ++n;
  return n;
}

UsbDevice ReadDevice(udev* u, udev_device* dev) {
  UsbDevice d;
  d.bus = static_cast<unsigned>(Number(Attr(dev, "busnum"), 10, 0));
  std::string_view devpath = Attr(dev, "devpath");
  if (devpath.empty()) {
    // The device's own name is "<bus>-<port path>".
    std::string_view name = udev_device_get_sysname(dev);
    size_t dash = name.find('-');
    if (dash != std::string_view::npos) {
      if (d.bus == 0) d.bus = static_cast<unsigned>(Number(name.substr(0, dash), 10, 0));
      devpath = name.substr(dash + 1);
    }
  }
  d.ports = PortPath(devpath);

  const auto vid = static_cast<uint32_t>(Number(Attr(dev, "idVendor"), 16, 0) & 0xFFFF);
  const auto pid = static_cast<uint32_t>(Number(Attr(dev, "idProduct"), 16, 0) & 0xFFFF);
  d.id = vid << 16 | pid;
  d.type = ChipType(static_cast<unsigned>(Number(Attr(dev, "bcdDevice"), 16, 0)));
  if (Number(Attr(dev, "speed"), 10, 0) >= 480) d.flags |= kFlagHighSpeed;

  unsigned interfaces = static_cast<unsigned>(Number(Attr(dev, "bNumInterfaces"), 10, 0));
  if (interfaces == 0) interfaces = CountInterfaceChildren(u, dev);
  d.interfaces = std::clamp(interfaces, 1u, kMaxInterfaceLetters);

  // sysfs holds the USB strings as UTF-8; the list, like every text of the
  // program, is Windows-1251.
  d.description = Utf8ToCp1251(Attr(dev, "product"));
  d.serial = Utf8ToCp1251(Attr(dev, "serial"));
  return d;
}

// Fills a fixed text field: `text` cut short where needed so that `suffix`
// (the channel letter) always survives, NUL-terminated when it fits, the
// whole field without a NUL when the text is as long as the field or longer.
template <size_t N>
void FillField(char (&field)[N], std::string_view text, std::string_view suffix) {
  std::memset(field, 0, N);
  suffix = suffix.substr(0, N);
  text = text.substr(0, N - suffix.size());
  std::memcpy(field, text.data(), text.size());
  std::memcpy(field + text.size(), suffix.data(), suffix.size());
}

// Location id in the vendor library's manner: the bus and each hub port as
// one hex digit ("bus 2, ports 1.3" -> 0x213), with the channel number after
// it on chips with several channels.
uint32_t LocationId(const UsbDevice& d, unsigned channel) {
  uint32_t loc = std::min(d.bus, 15u);
  for (unsigned port : d.ports) loc = loc << 4 | std::min(port, 15u);
  if (d.interfaces > 1) loc = loc << 4 | (channel + 1);
  return loc;
}

FtdiStatusCode ReadNodes(std::vector<FtdiDeviceNode>& nodes) {
  UdevPtr<udev> u(udev_new());
  if (!u) return kFtdiIoError;
  UdevPtr<udev_enumerate> e(udev_enumerate_new(u.get()));
  if (!e) return kFtdiIoError;
  udev_enumerate_add_match_subsystem(e.get(), "usb");
  udev_enumerate_add_match_property(e.get(), "DEVTYPE", "usb_device");
  if (udev_enumerate_scan_devices(e.get()) < 0) return kFtdiIoError;

  std::vector<UsbDevice> devices;
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
    UdevPtr<udev_device> dev(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)));
    // A device unplugged since the scan simply drops out.
    if (!dev) continue;
    if (Number(Attr(dev.get(), "idVendor"), 16, 0) != kFtdiVendorId) continue;
    devices.push_back(ReadDevice(u.get(), dev.get()));
  }

  std::sort(devices.begin(), devices.end(), [](const UsbDevice& a, const UsbDevice& b) {
    return std::tie(a.bus, a.ports) < std::tie(b.bus, b.ports);
  });

  for (const UsbDevice& d : devices) {
    for (unsigned channel = 0; channel < d.interfaces; ++channel) {
      FtdiDeviceNode node{};
      node.Flags = d.flags;
      node.Type = d.type;
      node.ID = d.id;
      node.LocId = LocationId(d, channel);
      std::string letter;
      if (d.interfaces > 1) letter.assign(1, static_cast<char>('A' + channel));
      FillField(node.SerialNumber, d.serial, letter);
      FillField(node.Description, d.description, letter.empty() ? letter : " " + letter);
      nodes.push_back(node);
    }
  }
  return kFtdiOk;
}

class UdevFtdiDeviceList final : public FtdiDeviceList {
 public:
  FtdiStatusCode CreateDeviceInfoList(uint32_t* count) override {
    if (count == nullptr) return kFtdiInvalidParameter;
    std::vector<FtdiDeviceNode> nodes;
    const FtdiStatusCode status = ReadNodes(nodes);
    if (status != kFtdiOk) nodes.clear();
    snapshot_ = std::move(nodes);
    *count = static_cast<uint32_t>(snapshot_.size());
    return status;
  }

  FtdiStatusCode GetDeviceInfoList(FtdiDeviceNode* nodes, uint32_t* count) override {
    if (count == nullptr || (nodes == nullptr && *count != 0)) return kFtdiInvalidParameter;
    // Never more than the caller has room for, nor more than the snapshot.
    const size_t n = std::min<size_t>(*count, snapshot_.size());
    std::copy_n(snapshot_.begin(), n, nodes);
    *count = static_cast<uint32_t>(n);
    return kFtdiOk;
  }

 private:
  std::vector<FtdiDeviceNode> snapshot_;
};

}  // namespace

std::unique_ptr<FtdiDeviceList> MakeSystemFtdiDeviceList() { return std::make_unique<UdevFtdiDeviceList>(); }

}  // namespace vpo::platform
