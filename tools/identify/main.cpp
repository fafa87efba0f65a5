// vpo-identify: the identification of the "Инициализация" button, without a
// window, for verification stations and scripts.
//
//   vpo-identify [--port TEXT] [--json] [--listing]
//
// Exit status: 0 found, 1 not found, 2 error (message on standard error).

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>

#include "identification/identification.h"
#include "identification/link_set.h"
#include "links/errors.h"
#include "links/fixed_port_chooser.h"
#include "platform/text_codec.h"

namespace {

constexpr int kFound = 0;
constexpr int kNotFound = 1;
constexpr int kError = 2;

constexpr const char* kUsage =
    "Usage: vpo-identify [--port TEXT] [--json] [--listing]\n"
    "\n"
    "Looks for the instrument over the FTDI device list, the serial port and\n"
    "USB HID, as the \"Инициализация\" button does, and prints what it found.\n"
    "\n"
    "  --port TEXT  the serial port, as typed into the port box (default COM1;\n"
    "               on Linux also a device path such as /dev/ttyUSB0)\n"
    "  --json       print one JSON object instead of three rows\n"
    "  --listing    write the FTDI device listing to standard error\n"
    "  --help       print this text\n"
    "\n"
    "Exit status: 0 found, 1 not found, 2 error.\n";

class ListingSink : public vpo::LineSink {
 public:
  explicit ListingSink(bool enabled) : enabled_(enabled) {}
  void AppendLine(std::string_view line) override {
    if (enabled_) std::cerr << vpo::platform::Cp1251ToUtf8(line) << '\n';
  }

 private:
  bool enabled_;
};

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

int UsageError(const std::string& message) {
  std::cerr << "vpo-identify: " << message << "\n\n" << kUsage;
  return kError;
}

}  // namespace

int main(int argc, char** argv) {
  std::string port = "COM1";
  bool json = false;
  bool listing = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return kFound;
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--listing") {
      listing = true;
    } else if (arg == "--port") {
      if (i + 1 >= argc) return UsageError("--port needs a value");
      port = argv[++i];
    } else if (arg.starts_with("--port=")) {
      port = std::string(arg.substr(7));
    } else {
      return UsageError("unknown option " + std::string(arg));
    }
  }

  try {
    vpo::FixedPortChooser chooser(port);
    ListingSink sink(listing);
    vpo::LinkSet links(chooser, sink);
    links.hid().LoadHidLibrary();
    const vpo::IdentificationResult result = vpo::IdentifyInstrument(links);
    links.hid().FreeHidLibrary();

    const std::string model = vpo::platform::Cp1251ToUtf8(result.model);
    const std::string version = vpo::platform::Cp1251ToUtf8(result.version);
    const std::string digitalId = vpo::platform::Cp1251ToUtf8(result.digitalId);
    if (json) {
      const std::string_view link = vpo::LinkName(result.link);
      std::cout << "{\"found\": " << (result.found() ? "true" : "false")
                << ", \"link\": " << (link.empty() ? std::string("null") : JsonString(link))
                << ", \"model\": " << JsonString(model) << ", \"version\": " << JsonString(version)
                << ", \"digitalId\": " << JsonString(digitalId) << "}\n";
    } else {
      std::cout << "Модель прибора: " << model << '\n'
                << "Номер версии ПО: " << version << '\n'
                << "Цифровой идентификатор ПО: " << digitalId << '\n';
    }
    std::cout.flush();
    return result.found() ? kFound : kNotFound;
  } catch (const std::exception& e) {
    std::cerr << "vpo-identify: " << e.what() << '\n';
    return kError;
  } catch (...) {
    std::cerr << "vpo-identify: unknown error\n";
    return kError;
  }
}
