#include "links/hid_link.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vpo {
namespace {

bool IsFamily(const platform::HidAttributes& attributes) {
  if (attributes.VendorID != HidLink::FamilyVendorId) return false;
  return attributes.ProductID == HidLink::FamilyProductId || attributes.ProductID == HidLink::FamilyProductIdAlt;
}

// The byte at `index`, or 0 past the end (the terminator, and the missing
// second character of a one-character serial).
uint8_t ByteAt(const std::string& text, size_t index) {
  return index < text.size() ? static_cast<uint8_t>(text[index]) : 0;
}

}  // namespace

HidLink::HidLink(std::string libraryName)
    : HidLink(platform::MakeSystemHidLibrary(), std::move(libraryName)) {}

HidLink::HidLink(std::unique_ptr<platform::HidLibrary> library, std::string libraryName)
    : library_(std::move(library)), libraryName_(std::move(libraryName)) {}

HidLink::~HidLink() { FreeHidLibrary(); }

void HidLink::LoadHidLibrary() {
  if (available_) return;
  available_ = library_ && library_->Load(libraryName_);
}

void HidLink::FreeHidLibrary() {
  if (!available_) return;
  CloseKeptDevice();
  library_->Release();
  available_ = false;
}

void HidLink::CloseKeptDevice() {
  if (HidDeviceHandle_ == nullptr) return;
  library_->CloseDevice(HidDeviceHandle_);
  HidDeviceHandle_ = nullptr;
}

int HidLink::HexDigitValue(uint8_t character) {
  if (character >= '0' && character <= '9') return character - 0x30;
  if (character >= 'A' && character <= 'F') return character - 0x37;
  return 0;
}

bool HidLink::FindHidInstrument() {
  if (!available_) return false;
  std::unique_ptr<platform::HidInterfaceList> list = library_->ListInterfaces();
  if (!list) return false;

  std::string path;
  for (uint32_t index = 0;; ++index) {
    path.clear();
    platform::HidInterfaceList::Member member = list->GetInterface(index, path);
    if (member == platform::HidInterfaceList::Member::End) break;
    if (member == platform::HidInterfaceList::Member::NoPath) continue;

    platform::HidHandle device = library_->OpenDevice(path);
    if (device == nullptr) continue;

    platform::HidAttributes attributes;
    if (!library_->GetAttributes(device, attributes) || !IsFamily(attributes)) {
      library_->CloseDevice(device);
      continue;
    }

    // A device kept by an earlier search is the same instrument opened once
    // more, or one that has gone: either way the new handle replaces it.
    if (device != HidDeviceHandle_) CloseKeptDevice();
    HidDeviceHandle_ = device;
    size_t length = std::min(path.size(), HidDevicePathSize - 1);
    std::memcpy(HidDevicePath_, path.data(), length);
    HidDevicePath_[length] = '\0';

    std::string serial;
    if (library_->GetSerialNumberString(device, serial)) {
      HidInstrumentNumber_ =
          static_cast<uint16_t>(HexDigitValue(ByteAt(serial, 0)) * 16 + HexDigitValue(ByteAt(serial, 1)));
    }
    return true;
  }
  return false;
}

}  // namespace vpo
