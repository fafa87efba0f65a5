// The HID support library on Linux: hidapi's hidraw backend, opened with
// dlopen so that the program runs (without HID) where it is not installed.
// Its header is not needed: the few declarations used are below, as hidapi
// 0.13 publishes them.
#include <dlfcn.h>

#include <cstddef>
#include <cwchar>
#include <memory>
#include <string>
#include <utility>

#include "platform/hid_library.h"
#include "platform/text_codec.h"

namespace vpo::platform {
namespace {

extern "C" {
struct hid_device_;
typedef struct hid_device_ hid_device;

// hidapi 0.13's enumeration record; only path, the ids and next are read.
struct hid_device_info {
  char* path;
  unsigned short vendor_id;
  unsigned short product_id;
  wchar_t* serial_number;
  unsigned short release_number;
  wchar_t* manufacturer_string;
  wchar_t* product_string;
  unsigned short usage_page;
  unsigned short usage;
  int interface_number;
  struct hid_device_info* next;
  int bus_type;
};

typedef int (*HidInitFn)(void);
typedef int (*HidExitFn)(void);
typedef struct hid_device_info* (*HidEnumerateFn)(unsigned short vendor_id, unsigned short product_id);
typedef void (*HidFreeEnumerationFn)(struct hid_device_info* devs);
typedef hid_device* (*HidOpenPathFn)(const char* path);
typedef void (*HidCloseFn)(hid_device* dev);
typedef int (*HidGetStringFn)(hid_device* dev, wchar_t* string, size_t maxlen);
}

// USB string descriptors hold at most 126 characters.
constexpr size_t kSerialChars = 256;

struct Entry {
  HidEnumerateFn hid_enumerate = nullptr;
  HidFreeEnumerationFn hid_free_enumeration = nullptr;
  HidOpenPathFn hid_open_path = nullptr;
  HidCloseFn hid_close = nullptr;
  HidGetStringFn hid_get_serial_number_string = nullptr;
  HidGetStringFn hid_get_manufacturer_string = nullptr;  // required, never called
  HidInitFn hid_init = nullptr;                          // optional
  HidExitFn hid_exit = nullptr;                          // optional
};

// An open device with the ids that the enumeration reported for its path
// (hidapi has no call of its own for them).
struct Device {
  hid_device* dev = nullptr;
  bool idsKnown = false;
  HidAttributes attributes;
};

void AppendUtf8(std::string& out, wchar_t wide) {
  auto c = static_cast<uint32_t>(wide);
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    if (c >= 0xD800 && c <= 0xDFFF) {
      out += '?';  // a lone surrogate is no character
      return;
    }
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x110000) {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += '?';
  }
}

class HidapiLibrary;

class HidapiInterfaceList : public HidInterfaceList {
 public:
  HidapiInterfaceList(HidapiLibrary& owner, hid_device_info* head) : owner_(owner), head_(head), cursor_(head) {}
  ~HidapiInterfaceList() override;
  Member GetInterface(uint32_t index, std::string& path) override;

 private:
  HidapiLibrary& owner_;
  hid_device_info* head_;
  hid_device_info* cursor_;  // the member at cursorIndex_
  uint32_t cursorIndex_ = 0;
};

class HidapiLibrary : public HidLibrary {
 public:
  ~HidapiLibrary() override { Release(); }

  bool Load(const std::string& name) override {
    Release();
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) return false;
    Entry e;
    bool all = Find(e.hid_enumerate, "hid_enumerate") & Find(e.hid_free_enumeration, "hid_free_enumeration") &
               Find(e.hid_open_path, "hid_open_path") & Find(e.hid_close, "hid_close") &
               Find(e.hid_get_serial_number_string, "hid_get_serial_number_string") &
               Find(e.hid_get_manufacturer_string, "hid_get_manufacturer_string");
    Find(e.hid_init, "hid_init");
    Find(e.hid_exit, "hid_exit");
    if (!all || (e.hid_init != nullptr && e.hid_init() != 0)) {
      dlclose(handle_);
      handle_ = nullptr;
      return false;
    }
    entry_ = e;
    return true;
  }

  void Release() override {
    if (handle_ == nullptr) return;
    if (entry_.hid_exit != nullptr) entry_.hid_exit();
    dlclose(handle_);
    handle_ = nullptr;
    entry_ = Entry{};
  }

  bool Loaded() const override { return handle_ != nullptr; }

  std::unique_ptr<HidInterfaceList> ListInterfaces() override {
    if (!Loaded()) return nullptr;
    // Every HID interface: the family's ids are tested on the opened device.
    return std::make_unique<HidapiInterfaceList>(*this, entry_.hid_enumerate(0, 0));
  }

  HidHandle OpenDevice(const std::string& path) override {
    if (!Loaded()) return nullptr;
    hid_device* dev = entry_.hid_open_path(path.c_str());
    if (dev == nullptr) return nullptr;
    auto device = new Device;
    device->dev = dev;
    if (path == memberPath_) {
      device->idsKnown = true;
      device->attributes = memberAttributes_;
    }
    return device;
  }

  bool GetAttributes(HidHandle handle, HidAttributes& attributes) override {
    auto device = static_cast<Device*>(handle);
    if (device == nullptr || !device->idsKnown) return false;
    attributes = device->attributes;
    return true;
  }

  bool GetSerialNumberString(HidHandle handle, std::string& serial) override {
    auto device = static_cast<Device*>(handle);
    if (!Loaded() || device == nullptr) return false;
    wchar_t wide[kSerialChars] = {};
    if (entry_.hid_get_serial_number_string(device->dev, wide, kSerialChars) != 0) return false;
    wide[kSerialChars - 1] = L'\0';
    std::string utf8;
    for (const wchar_t* p = wide; *p != L'\0'; ++p) AppendUtf8(utf8, *p);
    serial = Utf8ToCp1251(utf8, '?');
    return true;
  }

  void CloseDevice(HidHandle handle) override {
    auto device = static_cast<Device*>(handle);
    if (device == nullptr) return;
    if (Loaded()) entry_.hid_close(device->dev);
    delete device;
  }

  // Called by the list for each member it hands out.
  void NoteMember(const hid_device_info& info) {
    memberPath_ = info.path;
    memberAttributes_ = HidAttributes{info.vendor_id, info.product_id, info.release_number};
  }
  void ForgetMember() { memberPath_.clear(); }
  void FreeEnumeration(hid_device_info* head) {
    if (head != nullptr && Loaded()) entry_.hid_free_enumeration(head);
  }

 private:
  template <typename Fn>
  bool Find(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(dlsym(handle_, name));
    return fn != nullptr;
  }

  void* handle_ = nullptr;
  Entry entry_;
  std::string memberPath_;
  HidAttributes memberAttributes_;
};

HidapiInterfaceList::~HidapiInterfaceList() {
  owner_.ForgetMember();
  owner_.FreeEnumeration(head_);
}

HidInterfaceList::Member HidapiInterfaceList::GetInterface(uint32_t index, std::string& path) {
  if (index < cursorIndex_) {
    cursor_ = head_;
    cursorIndex_ = 0;
  }
  while (cursor_ != nullptr && cursorIndex_ < index) {
    cursor_ = cursor_->next;
    ++cursorIndex_;
  }
  owner_.ForgetMember();
  if (cursor_ == nullptr) return Member::End;
  if (cursor_->path == nullptr || cursor_->path[0] == '\0') return Member::NoPath;
  path = cursor_->path;
  owner_.NoteMember(*cursor_);
  return Member::Present;
}

}  // namespace

std::string DefaultHidLibraryName() { return "libhidapi-hidraw.so.0"; }

std::unique_ptr<HidLibrary> MakeSystemHidLibrary() { return std::make_unique<HidapiLibrary>(); }

}  // namespace vpo::platform
