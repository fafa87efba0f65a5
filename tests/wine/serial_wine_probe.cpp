// Drives the serial link (vpo::SerialLink over the Win32 port backend) for
// serial_wine_test.py, which runs it under Wine against the simulator on a
// pseudo-terminal mapped as a COM port. Prints one "key value" line per
// result, in ASCII, so the harness can check them.
//
//   serial_wine_probe PORT word W  ReadInstrumentWord(W): "word V" or "error MS MESSAGE"
//   serial_wine_probe PORT probe   ProbeInstrument: "probe R", "polls N", "poll I MS BYTES"
//                                  for each poll, "elapsed MS"
//   serial_wine_probe PORT mute    ProbeInstrument, then ReadInstrumentWord(82), which must
//                                  give up: "probe R", "error MS MESSAGE", "closed yes|no",
//                                  then a second open: "reopen yes|no"
//   serial_wine_probe PORT keep    gives the port hardware flow control and other line
//                                  settings, then lets OpenComPort set it up: "after BAUD
//                                  BITS PARITY STOP CTS RTS" as the port has it afterwards
//
// PORT is the port box's text; the item index is its place among the
// chooser's items ("COM1" is item 0), -1 for any other text.
// Exit status: 0 the command ran (the harness judges the lines), 2 bad usage.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include "links/errors.h"
#include "links/fixed_port_chooser.h"
#include "links/serial_link.h"
#include "links/serial_port_names.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Counts and times every poll of the probe.
class WatchedLink : public vpo::SerialLink {
 public:
  using vpo::SerialLink::SerialLink;

  struct Poll {
    double ms;
    unsigned bytes;
  };
  std::vector<Poll> polls;

  uint8_t PollByte() override {
    const auto start = Clock::now();
    const uint8_t bytes = vpo::SerialLink::PollByte();
    polls.push_back({MsSince(start), bytes});
    return bytes;
  }
};

void PrintError(double ms, const std::exception& e) {
  std::printf("error %.1f %s\n", ms, e.what());
}

int Word(WatchedLink& link, int address) {
  const auto start = Clock::now();
  try {
    const int32_t value = link.ReadInstrumentWord(static_cast<uint8_t>(address));
    std::printf("word %d\n", static_cast<int>(value));
  } catch (const vpo::Error& e) {
    PrintError(MsSince(start), e);
  }
  std::printf("closed %s\n", link.FComHandle.IsOpen() ? "no" : "yes");
  return 0;
}

int Probe(WatchedLink& link) {
  const auto start = Clock::now();
  const uint32_t result = link.ProbeInstrument();
  const double elapsed = MsSince(start);
  std::printf("probe %u\n", static_cast<unsigned>(result));
  std::printf("polls %zu\n", link.polls.size());
  for (size_t i = 0; i < link.polls.size(); ++i)
    std::printf("poll %zu %.1f %u\n", i, link.polls[i].ms, link.polls[i].bytes);
  std::printf("elapsed %.1f\n", elapsed);
  std::printf("closed %s\n", link.FComHandle.IsOpen() ? "no" : "yes");
  return 0;
}

int Mute(WatchedLink& link) {
  std::printf("probe %u\n", static_cast<unsigned>(link.ProbeInstrument()));
  std::fflush(stdout);
  const auto start = Clock::now();
  try {
    const int32_t value = link.ReadInstrumentWord(82);
    std::printf("word %d\n", static_cast<int>(value));
  } catch (const vpo::Error& e) {
    PrintError(MsSince(start), e);
  }
  std::printf("closed %s\n", link.FComHandle.IsOpen() ? "no" : "yes");
  // The port was opened without sharing: only a closed one opens again.
  link.OpenComPort();
  vpo::platform::SerialDcb dcb;
  const bool reopened = link.FComHandle.IsOpen() && link.FComHandle.GetState(dcb);
  std::printf("reopen %s\n", reopened ? "yes" : "no");
  if (reopened) std::printf("line %u %u %u %u\n", static_cast<unsigned>(dcb.BaudRate),
                            static_cast<unsigned>(dcb.ByteSize), static_cast<unsigned>(dcb.Parity),
                            static_cast<unsigned>(dcb.StopBits));
  link.FComHandle.Close();
  return 0;
}

// Reads (and optionally first changes) the port's line settings through a
// handle of its own, as another program would.
bool RawState(const char* name, DCB* dcb, bool setFlowControl) {
  HANDLE port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return false;
  *dcb = DCB{};
  dcb->DCBlength = sizeof(DCB);
  bool ok = GetCommState(port, dcb) != FALSE;
  if (ok && setFlowControl) {
    dcb->BaudRate = 19200;
    dcb->ByteSize = 7;
    dcb->Parity = EVENPARITY;
    dcb->StopBits = TWOSTOPBITS;
    dcb->fOutxCtsFlow = TRUE;
    dcb->fRtsControl = RTS_CONTROL_HANDSHAKE;
    ok = SetCommState(port, dcb) != FALSE && GetCommState(port, dcb) != FALSE;
  }
  CloseHandle(port);
  return ok;
}

void PrintState(const char* key, const DCB& dcb) {
  std::printf("%s %lu %u %u %u %u %u\n", key, static_cast<unsigned long>(dcb.BaudRate),
              static_cast<unsigned>(dcb.ByteSize), static_cast<unsigned>(dcb.Parity),
              static_cast<unsigned>(dcb.StopBits), static_cast<unsigned>(dcb.fOutxCtsFlow),
              static_cast<unsigned>(dcb.fRtsControl));
}

int Keep(WatchedLink& link, const char* name) {
  DCB dcb;
  if (!RawState(name, &dcb, true)) {
    std::printf("before failed %lu\n", GetLastError());
    return 0;
  }
  PrintState("before", dcb);
  link.OpenComPort();
  link.FComHandle.Close();
  if (RawState(name, &dcb, false)) PrintState("after", dcb);
  return 0;
}

// The time-outs the port holds while the link has it open.
int Timeouts(WatchedLink& link) {
  link.OpenComPort();
  vpo::platform::SerialTimeouts t{};
  const bool ok = link.FComHandle.IsOpen() && link.FComHandle.GetTimeouts(t);
  if (ok) {
    std::printf("timeouts %lu %lu %lu %lu %lu\n", static_cast<unsigned long>(t.ReadIntervalTimeout),
                static_cast<unsigned long>(t.ReadTotalTimeoutMultiplier),
                static_cast<unsigned long>(t.ReadTotalTimeoutConstant),
                static_cast<unsigned long>(t.WriteTotalTimeoutMultiplier),
                static_cast<unsigned long>(t.WriteTotalTimeoutConstant));
  } else {
    std::printf("timeouts failed %lu\n", GetLastError());
  }
  link.FComHandle.Close();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: serial_wine_probe PORT word W | probe | mute | keep\n");
    return 2;
  }
  vpo::FixedPortChooser chooser(argv[1]);
  WatchedLink link(chooser);
  const std::string command = argv[2];
  int status = 2;
  if (command == "word" && argc == 4) {
    status = Word(link, std::atoi(argv[3]));
  } else if (command == "probe" && argc == 3) {
    status = Probe(link);
  } else if (command == "timeouts" && argc == 3) {
    status = Timeouts(link);
  } else if (command == "keep" && argc == 3) {
    status = Keep(link, argv[1]);
  } else if (command == "mute" && argc == 3) {
    status = Mute(link);
  } else {
    std::fprintf(stderr, "serial_wine_probe: unknown command\n");
  }
  std::fflush(stdout);
  return status;
}
