// The HID support library on Windows: hid.dll, loaded by name at run time,
// with the device interfaces listed through SetupAPI.
#include <windows.h>
#include <setupapi.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "platform/hid_library.h"

namespace vpo::platform {
namespace {

// hid.dll's attributes record: a 32-bit size and three 16-bit fields, 10
// bytes with no gap between the fields.
struct HiddAttributesRecord {
  ULONG Size;
  USHORT VendorID;
  USHORT ProductID;
  USHORT VersionNumber;
};
constexpr ULONG kHiddAttributesSize = 10;

using HidDGetHidGuidFn = void(WINAPI*)(GUID* hidGuid);
using HidDGetAttributesFn = BOOLEAN(WINAPI*)(HANDLE device, HiddAttributesRecord* attributes);
using HidDGetStringFn = BOOLEAN(WINAPI*)(HANDLE device, PVOID buffer, ULONG bufferLength);

// The serial number string: a buffer of 1000 wide characters, of which 500
// bytes are offered; its converted form takes at most 1000 bytes.
constexpr size_t kWideChars = 1000;
constexpr ULONG kSerialBytes = 500;
constexpr int kNarrowBytes = 1000;
constexpr UINT kCp1251 = 1251;

template <typename Fn>
Fn EntryPoint(HMODULE module, const char* name) {
  // Through the type that matches every function type, so the cast is clean.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
}

class SetupApiInterfaceList : public HidInterfaceList {
 public:
  SetupApiInterfaceList(HDEVINFO set, const GUID& guid) : set_(set), guid_(guid) {
    std::memset(&interfaceData_, 0, sizeof interfaceData_);
    interfaceData_.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
  }
  ~SetupApiInterfaceList() override { SetupDiDestroyDeviceInfoList(set_); }
  SetupApiInterfaceList(const SetupApiInterfaceList&) = delete;
  SetupApiInterfaceList& operator=(const SetupApiInterfaceList&) = delete;

  Member GetInterface(uint32_t index, std::string& path) override {
    if (!SetupDiEnumDeviceInterfaces(set_, nullptr, &guid_, index, &interfaceData_)) return Member::End;

    DWORD requiredSize = 0;
    SetupDiGetDeviceInterfaceDetailA(set_, &interfaceData_, nullptr, 0, &requiredSize, nullptr);
    constexpr DWORD kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    if (requiredSize <= kPathOffset) return Member::NoPath;

    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[requiredSize]());
    if (!block) return Member::NoPath;
    auto detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(block.get());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    DWORD writtenSize = 0;
    if (!SetupDiGetDeviceInterfaceDetailA(set_, &interfaceData_, detail, requiredSize, &writtenSize, nullptr)) {
      return Member::NoPath;
    }
    path.assign(detail->DevicePath, strnlen(detail->DevicePath, requiredSize - kPathOffset));
    return path.empty() ? Member::NoPath : Member::Present;
  }

 private:
  HDEVINFO set_;
  GUID guid_;
  SP_DEVICE_INTERFACE_DATA interfaceData_;
};

class HidDllLibrary : public HidLibrary {
 public:
  ~HidDllLibrary() override { Release(); }

  bool Load(const std::string& name) override {
    Release();
    module_ = LoadLibraryA(name.c_str());
    if (module_ == nullptr) return false;
    getHidGuid_ = EntryPoint<HidDGetHidGuidFn>(module_, "HidD_GetHidGuid");
    getAttributes_ = EntryPoint<HidDGetAttributesFn>(module_, "HidD_GetAttributes");
    getSerialNumberString_ = EntryPoint<HidDGetStringFn>(module_, "HidD_GetSerialNumberString");
    getManufacturerString_ = EntryPoint<HidDGetStringFn>(module_, "HidD_GetManufacturerString");
    if (getHidGuid_ == nullptr || getAttributes_ == nullptr || getSerialNumberString_ == nullptr ||
        getManufacturerString_ == nullptr) {
      Release();
      return false;
    }
    return true;
  }

  void Release() override {
    if (module_ != nullptr) FreeLibrary(module_);
    module_ = nullptr;
    getHidGuid_ = nullptr;
    getAttributes_ = nullptr;
    getSerialNumberString_ = nullptr;
    getManufacturerString_ = nullptr;
  }

  bool Loaded() const override { return module_ != nullptr; }

  std::unique_ptr<HidInterfaceList> ListInterfaces() override {
    if (!Loaded()) return nullptr;
    GUID guid;
    getHidGuid_(&guid);
    HDEVINFO set = SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<SetupApiInterfaceList>(set, guid);
  }

  HidHandle OpenDevice(const std::string& path) override {
    HANDLE device = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    return device == INVALID_HANDLE_VALUE ? nullptr : device;
  }

  bool GetAttributes(HidHandle device, HidAttributes& attributes) override {
    if (!Loaded()) return false;
    HiddAttributesRecord record{};
    record.Size = kHiddAttributesSize;
    if (!getAttributes_(static_cast<HANDLE>(device), &record)) return false;
    attributes.VendorID = record.VendorID;
    attributes.ProductID = record.ProductID;
    attributes.VersionNumber = record.VersionNumber;
    return true;
  }

  bool GetSerialNumberString(HidHandle device, std::string& serial) override {
    if (!Loaded()) return false;
    // Zero-filled beyond the 500 bytes offered, so the string always ends.
    std::unique_ptr<WCHAR[]> wide(new WCHAR[kWideChars]());
    if (!getSerialNumberString_(static_cast<HANDLE>(device), wide.get(), kSerialBytes)) return false;
    std::unique_ptr<char[]> narrow(new char[kNarrowBytes]());
    // No best-fit mapping: a character without its own form becomes '?',
    // which counts as no digit.
    WideCharToMultiByte(kCp1251, WC_NO_BEST_FIT_CHARS, wide.get(), -1, narrow.get(), kNarrowBytes - 1, "?",
                        nullptr);
    serial.assign(narrow.get());
    return true;
  }

  void CloseDevice(HidHandle device) override {
    if (device != nullptr) CloseHandle(static_cast<HANDLE>(device));
  }

 private:
  HMODULE module_ = nullptr;
  HidDGetHidGuidFn getHidGuid_ = nullptr;
  HidDGetAttributesFn getAttributes_ = nullptr;
  HidDGetStringFn getSerialNumberString_ = nullptr;
  HidDGetStringFn getManufacturerString_ = nullptr;  // must be present; never called
};

}  // namespace

std::string DefaultHidLibraryName() { return "hid.dll"; }

std::unique_ptr<HidLibrary> MakeSystemHidLibrary() { return std::make_unique<HidDllLibrary>(); }

}  // namespace vpo::platform
