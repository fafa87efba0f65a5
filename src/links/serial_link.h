#pragma once
// The second link: the instrument's byte protocol on the chosen COM port.
//
// Public contract (the identification sequence, the window and the
// command-line identifier rely on it):
//   SerialLink(const PortChooser&);
//   uint32_t ProbeInstrument();            // non-zero: something answered
//   int32_t  ReadInstrumentWord(uint8_t W); // 0..65535; throws vpo::Error when
//                                           // the instrument stops answering
//   OpenComPort() throws vpo::RangeError for a port text of < 4 characters.
//   std::vector<std::string> SerialPortChoices(); // items of the port chooser
// The primitives and fields follow the link's own design.
