#pragma once
// Which port the port chooser names: its text and chosen item index in, the
// port name out. Pure functions: nothing is opened here.

#include <string>
#include <string_view>
#include <vector>

namespace vpo {

// Items of the port chooser: "COM1" .. "COM30" (indexes 0..29), then each USB
// serial device present now (Linux: /dev/ttyACM*, /dev/ttyUSB*).
std::vector<std::string> SerialPortChoices();

inline constexpr int kComPortItemCount = 30;

// The port name that OpenComPort opens for the chooser's text (UTF-8) and
// item index (-1 when none is chosen):
//  - a text of fewer than 4 characters: vpo::RangeError, whatever the index;
//  - "COM" and a decimal number 1..255 (any case, no leading zero): that
//    port, "COMn" up to 9 and "\\.\COMn" from 10, whatever the index;
//  - a text beginning with "/": a device path, as it stands;
//  - item index 9..29: "\\.\COM10" .. "\\.\COM30";
//  - otherwise "COM" followed by the text's fourth character (so "abc5"
//    names COM5 and "COMX" names COMX, which no port has).
// The result is a Windows-1251 name, except a device path, which stays UTF-8.
std::string ComPortName(std::string_view textUtf8, int itemIndex);

// How the port is called in messages: "COM10" rather than "\\.\COM10".
std::string PortDisplayName(std::string_view portName);

}  // namespace vpo
