#pragma once
// The three real links, put together in the order the sequence uses them.
// The main window owns one; so does the command-line identifier.

#include <memory>
#include <string>

#include "identification/instrument_links.h"
#include "links/ftdi_scan.h"
#include "links/hid_link.h"
#include "links/line_sink.h"
#include "links/port_chooser.h"
#include "links/serial_link.h"
#include "platform/ftdi_device_list.h"

namespace vpo {

class LinkSet : public InstrumentLinks {
 public:
  // `ftdiList` defaults to this machine's list; `hidLibrary` names the HID
  // support library (empty: the platform's own).
  LinkSet(const PortChooser& port, LineSink& listing,
          std::unique_ptr<platform::FtdiDeviceList> ftdiList = nullptr, std::string hidLibrary = {});

  FtdiScanResult ScanFtdiDevices() override { return ftdi_.ScanFtdiDevices(); }
  uint32_t ProbeInstrument() override { return serial_.ProbeInstrument(); }
  int32_t ReadInstrumentWord(uint8_t wordAddress) override { return serial_.ReadInstrumentWord(wordAddress); }
  bool FindHidInstrument() override { return hid_.FindHidInstrument(); }
  uint16_t HidInstrumentNumber() const override { return hid_.HidInstrumentNumber(); }

  FtdiLink& ftdi() { return ftdi_; }
  SerialLink& serial() { return serial_; }
  HidLink& hid() { return hid_; }

 private:
  std::unique_ptr<platform::FtdiDeviceList> ftdiList_;
  FtdiLink ftdi_;
  SerialLink serial_;
  HidLink hid_;
};

}  // namespace vpo
