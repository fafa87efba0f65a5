#include "links/serial_port_names.h"

#include <charconv>

#include "links/errors.h"
#include "platform/serial_port.h"
#include "platform/text_codec.h"

namespace vpo {
namespace {

// "COM" + decimal 1..255 without a leading zero, "COM" in any case.
bool TypedComNumber(std::string_view text, unsigned* number) {
  if (text.size() < 4) return false;
  for (int i = 0; i < 3; ++i)
    if ((text[i] & ~0x20) != "COM"[i]) return false;
  const std::string_view digits = text.substr(3);
  if (digits.front() == '0') return false;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), *number);
  return ec == std::errc() && end == digits.data() + digits.size() && *number >= 1 &&
         *number <= 255;
}

std::string NumberedName(unsigned number) {
  return (number >= 10 ? "\\\\.\\COM" : "COM") + std::to_string(number);
}

}  // namespace

std::vector<std::string> SerialPortChoices() {
  std::vector<std::string> items;
  for (int n = 1; n <= kComPortItemCount; ++n) items.push_back("COM" + std::to_string(n));
  for (auto& path : platform::ListUsbSerialDevices()) items.push_back(std::move(path));
  return items;
}

std::string ComPortName(std::string_view textUtf8, int itemIndex) {
  // The text as the port chooser holds it: one byte a character.
  const std::string text = platform::Utf8ToCp1251(textUtf8);
  if (text.size() < 4) {
    throw RangeError("Неверное имя порта \"" + std::string(textUtf8) +
                     "\": в имени порта должно быть не меньше 4 символов, например COM1");
  }
  unsigned number = 0;
  if (TypedComNumber(text, &number)) return NumberedName(number);
  if (textUtf8.starts_with("/")) return std::string(textUtf8);
  if (itemIndex >= 9 && itemIndex < kComPortItemCount)
    return NumberedName(static_cast<unsigned>(itemIndex) + 1);
  char name[5] = {'C', 'O', 'M', '1', '\0'};
  name[3] = text[3];
  return std::string(name, 4);
}

std::string PortDisplayName(std::string_view portName) {
  if (portName.starts_with("\\\\.\\")) portName.remove_prefix(4);
  // A device path is UTF-8 already; a COM name holds the chooser's bytes.
  std::string shown =
      portName.starts_with("/") ? std::string(portName) : platform::Cp1251ToUtf8(portName);
  const std::string device = platform::SerialDevicePath(portName);
  if (!device.empty() && device != portName) shown += " (" + device + ")";
  return shown;
}

}  // namespace vpo
