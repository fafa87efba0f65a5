#include "identification/identification.h"

namespace vpo {

std::string DecimalText(uint32_t value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

namespace {
IdentificationResult Found(FoundBy link, std::string_view number) {
  IdentificationResult result;
  result.link = link;
  result.model.assign(ModelPrefix);
  result.model.append(number);
  result.version.assign(FirmwareVersionText);
  result.digitalId.assign(FirmwareDigitalId);
  return result;
}
}  // namespace

IdentificationResult IdentifyInstrument(InstrumentLinks& links) {
  const FtdiScanResult ftdi = links.ScanFtdiDevices();
  if (ftdi.found) return Found(FoundBy::Ftdi, ftdi.serial);

  if (links.ProbeInstrument() != 0) {
    const int32_t word = links.ReadInstrumentWord(InstrumentNumberAddress);
    return Found(FoundBy::Serial, DecimalText(static_cast<uint32_t>(word) & 0xFFFFu));
  }

  if (links.FindHidInstrument()) return Found(FoundBy::Hid, DecimalText(links.HidInstrumentNumber()));

  IdentificationResult none;
  none.model.assign(Blank);
  none.version.assign(Blank);
  none.digitalId.assign(Blank);
  return none;
}

std::string_view LinkName(FoundBy link) {
  switch (link) {
    case FoundBy::Ftdi: return "ftdi";
    case FoundBy::Serial: return "serial";
    case FoundBy::Hid: return "hid";
    case FoundBy::None: break;
  }
  return "";
}

}  // namespace vpo
