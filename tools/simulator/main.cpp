// vpo-instrument-sim: plays the instrument on a pseudo-terminal until
// interrupted. The first line of standard output is the device to open.
#include <pthread.h>
#include <signal.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>
#include <string_view>

#include "instrument_simulator.h"

namespace {

constexpr const char* kUsage =
    "Usage: vpo-instrument-sim [options]\n"
    "Plays the measuring instrument on a pseudo-terminal, so that the analyzer\n"
    "can be tried without one. Prints the device path to open as the first\n"
    "line of output (and again after each hang-up), then serves until Ctrl+C.\n"
    "\n"
    "Options:\n"
    "  --word A=V      word address A (0..255) holds V (0..65535); repeatable.\n"
    "                  Default: word 82 (the instrument number) = 1234.\n"
    "  --mode M        normal (default), silent (never answers),\n"
    "                  mute-after-probe (answers the probe, then nothing),\n"
    "                  echo (returns every byte, like a looped line),\n"
    "                  noise (random answers and data),\n"
    "                  hangup (closes its end in the middle of a word read,\n"
    "                  then serves on a new device).\n"
    "  --answer B      the byte that answers each host byte (default 0x06).\n"
    "  --line-timing   every byte takes its real time at 9600 bit/s.\n"
    "  --log           prints every byte with its direction on standard error.\n"
    "  --link PATH     also offers the device as a symbolic link at PATH.\n"
    "  --help          prints this text.\n";

template <typename T>
bool ParseNumber(std::string_view text, T* value) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value, base);
  return ec == std::errc() && end == text.data() + text.size();
}

int Fail(const std::string& message) {
  std::cerr << "vpo-instrument-sim: " << message << "\n(see --help)\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using vpo::sim::InstrumentSimulator;

  // SIGINT and SIGTERM are taken with sigwait below; blocked before any
  // thread starts, so no other thread receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  try {
    InstrumentSimulator sim;
    bool log = false;
    std::string link;
    for (int i = 1; i < argc; ++i) {
      const std::string_view arg = argv[i];
      auto value = [&](std::string_view option) -> std::string_view {
        if (arg.size() > option.size() && arg.starts_with(option) && arg[option.size()] == '=')
          return arg.substr(option.size() + 1);
        if (i + 1 >= argc) return {};
        return argv[++i];
      };
      auto is = [&](std::string_view option) {
        return arg == option || (arg.starts_with(option) && arg.size() > option.size() &&
                                 arg[option.size()] == '=');
      };
      if (arg == "--help" || arg == "-h") {
        std::cout << kUsage;
        return 0;
      } else if (arg == "--line-timing") {
        sim.SetLineTiming(true);
      } else if (arg == "--log") {
        log = true;
      } else if (is("--word")) {
        const std::string_view wordArg = value("--word");
        const size_t eq = wordArg.find('=');
        unsigned address = 0, word = 0;
        if (eq == std::string_view::npos || !ParseNumber(wordArg.substr(0, eq), &address) ||
            !ParseNumber(wordArg.substr(eq + 1), &word) || address > 255 || word > 65535)
          return Fail("--word wants A=V with A 0..255 and V 0..65535, not '" + std::string(wordArg) +
                      "'");
        sim.SetWord(static_cast<uint8_t>(address), static_cast<uint16_t>(word));
      } else if (is("--mode")) {
        const std::string_view name = value("--mode");
        const auto mode = vpo::sim::ParseMode(name);
        if (!mode) return Fail("unknown mode '" + std::string(name) + "'");
        sim.SetMode(*mode);
      } else if (is("--answer")) {
        const std::string_view text = value("--answer");
        unsigned byte = 0;
        if (!ParseNumber(text, &byte) || byte > 255)
          return Fail("--answer wants a byte, 0..255 or 0x00..0xFF");
        sim.SetAnswerByte(static_cast<uint8_t>(byte));
      } else if (is("--link")) {
        link = std::string(value("--link"));
        if (link.empty()) return Fail("--link wants a path");
      } else {
        return Fail("unknown option '" + std::string(arg) + "'");
      }
    }

    std::mutex outputMutex;
    if (log) {
      const auto start = std::chrono::steady_clock::now();
      sim.SetLogger([start, &outputMutex](const vpo::sim::LineByte& b) {
        const double ms =
            std::chrono::duration<double, std::milli>(b.at - start).count();
        std::lock_guard lock(outputMutex);
        std::fprintf(stderr, "%10.3f ms  %s  0x%02X\n", ms,
                     b.direction == vpo::sim::Direction::HostToInstrument ? "host -> instrument"
                                                                          : "instrument -> host",
                     b.value);
      });
    }
    sim.SetPathListener([&outputMutex](const std::string& path) {
      std::lock_guard lock(outputMutex);
      std::printf("%s\n", path.c_str());
      std::fflush(stdout);
    });
    if (!link.empty()) sim.SetLinkPath(link);

    sim.Start();
    {
      std::lock_guard lock(outputMutex);
      std::printf("%s\n", sim.Path().c_str());
      std::fflush(stdout);
    }
    int received = 0;
    sigwait(&stopSignals, &received);
    sim.Stop();
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "vpo-instrument-sim: " << e.what() << "\n";
    return 1;
  }
}
