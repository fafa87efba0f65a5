#pragma once
// What the "Инициализация" button does: looks for the instrument over the
// FTDI device list, then the COM port, then USB HID, and stops at the first
// link that finds it.

#include <cstdint>
#include <string>
#include <string_view>

#include "identification/instrument_links.h"

namespace vpo {

// The texts shown, in Windows-1251 like every text of the instrument.
inline constexpr std::string_view ModelPrefix = "\xC7\xC5\xCB-\xC2\xD0\xD2/";  // "ЗЕЛ-ВРТ/"
inline constexpr std::string_view FirmwareVersionText = "V10.20";
inline constexpr std::string_view FirmwareDigitalId = "365855C93D425F2EAA3A55EEB4813D26";
inline constexpr std::string_view Blank = " ";
inline constexpr uint8_t InstrumentNumberAddress = 82;

enum class FoundBy { None, Ftdi, Serial, Hid };

struct IdentificationResult {
  FoundBy link = FoundBy::None;
  // The three value cells, top to bottom (Windows-1251).
  std::string model;
  std::string version;
  std::string digitalId;

  bool found() const { return link != FoundBy::None; }
};

// Plain decimal digits: no sign, no leading zeros, no separators.
std::string DecimalText(uint32_t value);

// Runs the links in order. Every link call is made before this returns, so a
// caller that writes the cells afterwards leaves them untouched when a link
// throws.
IdentificationResult IdentifyInstrument(InstrumentLinks& links);

// "ftdi", "serial", "hid", or "" for none.
std::string_view LinkName(FoundBy link);

}  // namespace vpo
