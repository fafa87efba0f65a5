#pragma once
// The four link operations that the identification sequence calls, behind
// one interface, so the sequence runs the same over the real links (window,
// command-line identifier) and over fakes (tests).

#include <cstdint>

#include "links/ftdi_scan.h"

namespace vpo {

class InstrumentLinks {
 public:
  virtual ~InstrumentLinks() = default;
  virtual FtdiScanResult ScanFtdiDevices() = 0;
  virtual uint32_t ProbeInstrument() = 0;
  virtual int32_t ReadInstrumentWord(uint8_t wordAddress) = 0;
  virtual bool FindHidInstrument() = 0;
  virtual uint16_t HidInstrumentNumber() const = 0;
};

}  // namespace vpo
